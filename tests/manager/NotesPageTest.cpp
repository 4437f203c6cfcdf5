// The manager window and its notes page: placement, pages, the refusals of the tool commands, the
// group commands with their menus and questions, the column modes kept per group, and the search
// stepping through groups.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "manager/MxMiItemMenu.h"
#include "manager/MxMiManager.h"
#include "store/NoteRecord.h"
#include "store/xml/CXmlDoc.h"
#include "store/xml/FileBytes.h"
#include "toolkit/MerlaMessageBox.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::vector<std::wstring> g_told;
int g_answer = kMbOk;

int Answer(HWND, const std::wstring& text, int) {
    g_told.push_back(text);
    return g_answer;
}

std::string Rtf(const std::string& text) {
    return "{\\rtf1\\ansi\\ansicpg936\\f0\\fs20 " + text + "\\par}";
}

// A note on disk in a group folder ("" for the default group), with one rich text box.
void MakeNote(const std::wstring& group, const std::wstring& name, const std::string& text = "x",
              int hidden = 0) {
    const std::wstring base = group.empty() ? NoteItemsDir() : GroupItemsDir() + group + L"\\";
    EnsureFolder(base);
    const std::wstring folder = NoteFolder(name, base);
    const NoteRecord rec = NoteRecord::ForNote(folder, name, 0);
    rec.WriteRect(NoteRect{100, 100, 280, 280});
    rec.WriteText(NoteKey::kDateTime, L"2026年12月09日 10时00分00秒");
    rec.WriteText(NoteKey::kGroup, group);
    rec.WriteInt(NoteKey::kIsHide, hidden);
    constexpr int kBox = 100002;
    rec.AddChildItem(kBox, NoteKey::kRichEdit);
    WriteFileAtomic(folder + std::to_wstring(kBox) + L"_rtf", Rtf(text));
}

bool NoteIn(const std::wstring& base, const std::wstring& name) {
    return FileExists(base + name + L"\\" + name + L".xml");
}

class NotesPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteTree(DataDir());
        DeleteFileW(SysConfigPath().c_str());
        g_told.clear();
        g_answer = kMbOk;
        MxMiNote::SetMessageBoxHook(&Answer);
    }
    void TearDown() override {
        manager_.reset();
        PumpMessages();
        MxMiNote::SetMessageBoxHook(nullptr);
    }
    MxMiManager& Open() {
        manager_ = std::make_unique<MxMiManager>();
        EXPECT_TRUE(manager_->Create(MxMiManager::kId, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW,
                                     WS_POPUP | WS_VISIBLE, 0, 0, MxMiManager::kWidth, MxMiManager::kHeight,
                                     nullptr));
        PumpMessages();
        return *manager_;
    }
    MxMiNote& Page() { return manager_->NotesPage(); }
    void ShowGroup(const std::wstring& name) {
        const int row = Page().Groups().IndexOf(name);
        ASSERT_GE(row, 0);
        Page().ShowGroup(row);
        PumpMessages();
    }
    void Select(const std::wstring& name) {
        const auto& cards = Page().Cards().Cards();
        for (size_t i = 0; i < cards.size(); ++i) {
            if (cards[i].note.name == name) {
                const RECT r = Page().Cards().CardClientRect(i);
                Page().Cards().OnClick(0, r.left + 1, r.top + 1);
                return;
            }
        }
        ADD_FAILURE() << "no card";
    }
    std::unique_ptr<MxMiManager> manager_;
};

} // namespace

TEST_F(NotesPageTest, PlacementIsRememberedAndAPlaceOffEveryScreenIsIgnored) {
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<MxMiCaption><left>-30000</left><top>-30000</top><right>-29000</right>"
                           L"<bottom>-29000</bottom></MxMiCaption>"));
    ASSERT_TRUE(doc.Save(NormalSetDir() + L"MxMiCaption.xml"));
    MxMiManager& m = Open();
    RECT wr{};
    GetWindowRect(m.GetHandle(), &wr);
    EXPECT_EQ(1024, wr.right - wr.left);
    EXPECT_EQ(732, wr.bottom - wr.top);
    EXPECT_GE(wr.left, 0);

    MoveWindow(m.GetHandle(), 40, 30, 900, 640, TRUE);
    PumpMessages();
    RECT stored{};
    ASSERT_TRUE(MxMiManager::ReadPlacement(stored));
    EXPECT_EQ(40, stored.left);
    EXPECT_EQ(30, stored.top);
    EXPECT_EQ(940, stored.right);
    EXPECT_EQ(670, stored.bottom);
    manager_.reset();
    MxMiManager& again = Open();
    GetWindowRect(again.GetHandle(), &wr);
    EXPECT_EQ(40, wr.left);
    EXPECT_EQ(900, wr.right - wr.left);
}

TEST_F(NotesPageTest, PageButtonsSwitchPageAndTitle) {
    MxMiManager& m = Open();
    wchar_t title[64] = {};
    GetWindowTextW(m.GetHandle(), title, 64);
    EXPECT_STREQ(L"便签管理", title);
    SendMessageW(m.GetHandle(), LNotify::kButtonClicked, 20004, 0);
    GetWindowTextW(m.GetHandle(), title, 64);
    EXPECT_STREQ(L"模板管理", title);
    EXPECT_FALSE(IsWindowVisible(Page().GetHandle()));
    EXPECT_TRUE(m.PageButton(20004).IsPagePressed());
    EXPECT_FALSE(m.PageButton(20039).IsPagePressed());
    SendMessageW(m.GetHandle(), LNotify::kButtonClicked, 20016, 0);
    GetWindowTextW(m.GetHandle(), title, 64);
    EXPECT_STREQ(L"系统管理", title);
    SendMessageW(m.GetHandle(), LNotify::kButtonClicked, 20039, 0);
    EXPECT_TRUE(IsWindowVisible(Page().GetHandle()));
}

TEST_F(NotesPageTest, NoteCommandsWithoutAChosenCardTellWhyAndChangeNothing) {
    MakeNote(L"", L"n1");
    Open();
    ShowGroup(L"系统分组");
    ASSERT_EQ(1u, Page().Cards().Cards().size());
    for (int command : {20043, 20044, 20047, 20048, 20049, 20051})
        Page().RunCommand(command);
    EXPECT_EQ((std::vector<std::wstring>{L"请选择要删除的便签！", L"请选择要恢复的便签！",
                                         L"请选择要移动的便签！", L"请选择要显示的便签！",
                                         L"请选择要隐藏的便签！", L"请选择要导出的便签！"}),
              g_told);
    PumpMessages();
    EXPECT_TRUE(NoteIn(NoteItemsDir(), L"n1"));
}

TEST_F(NotesPageTest, DeletedNotesGoToTheBinAndComeBackToTheirGroup) {
    MakeNote(L"工作", L"n1");
    MakeNote(L"工作", L"n2");
    Open();
    ShowGroup(L"工作");
    Select(L"n1");
    Page().RunCommand(20043);
    PumpMessages();
    EXPECT_EQ(std::vector<std::wstring>{L"确定要删选择的便签吗？"}, g_told);
    EXPECT_TRUE(NoteIn(RecycleDir(), L"n1"));
    EXPECT_TRUE(NoteIn(GroupItemsDir() + L"工作\\", L"n2"));

    // The group goes too; restoring brings it back with the note.
    g_told.clear();
    SendMessageW(Page().GetHandle(), LNotify::kCommand, 20041, 0);
    PumpMessages();
    EXPECT_EQ(std::vector<std::wstring>{L"确定要删选择的分组吗？"}, g_told);
    EXPECT_FALSE(FolderExists(GroupItemsDir() + L"工作"));
    EXPECT_TRUE(NoteIn(RecycleDir(), L"n2"));
    ShowGroup(L"回收站");
    EXPECT_EQ(2u, Page().Cards().Cards().size());
    Select(L"n1");
    Page().RunCommand(20044);
    PumpMessages();
    EXPECT_TRUE(NoteIn(GroupItemsDir() + L"工作\\", L"n1"));
    EXPECT_GE(Page().Groups().IndexOf(L"工作"), 0);
}

TEST_F(NotesPageTest, DeleteAndMoveTakesEveryNoteOfTheGroupWhateverTheFilterShows) {
    MakeNote(L"A", L"shown");
    MakeNote(L"A", L"hidden", "x", 1);
    EnsureFolder(GroupItemsDir() + L"B\\");
    Open();
    ShowGroup(L"A");
    Page().ViewTab().SelectText(L"仅显示的");
    PumpMessages();
    ASSERT_EQ(1u, Page().Cards().Cards().size());
    // The move menu of group A: the default group first, A itself left out.
    std::unique_ptr<MxMiMenuMoveToSub> menu(NewMoveMenu(Page().GetHandle(), L"a"));
    ASSERT_TRUE(menu);
    ASSERT_EQ(2u, menu->Items().size());
    EXPECT_EQ(31000, menu->Items()[0]->GetId());
    EXPECT_EQ(std::vector<std::wstring>{L"B"}, menu->GroupNames());
    menu.reset();

    SendMessageW(Page().GetHandle(), LNotify::kButtonClicked, 20041, 0); // pending: the group
    PumpMessages();
    SendMessageW(Page().GetHandle(), LNotify::kCommand, 31001, 0);
    PumpMessages();
    EXPECT_TRUE(NoteIn(GroupItemsDir() + L"B\\", L"shown"));
    EXPECT_TRUE(NoteIn(GroupItemsDir() + L"B\\", L"hidden"));
    EXPECT_FALSE(FolderExists(GroupItemsDir() + L"A"));
    EXPECT_EQ(L"B", Page().CurrentGroup());
}

TEST_F(NotesPageTest, ColumnModesAreKeptPerGroupAndTheBinAddsItsOwn) {
    MakeNote(L"", L"n1");
    EnsureFolder(GroupItemsDir() + L"A\\");
    Open();
    ShowGroup(L"A");
    EXPECT_EQ(L"无分栏", Page().ColumnTab().SelectedText());
    Page().ColumnTab().SelectText(L"创建时间分栏");
    PumpMessages();
    EXPECT_EQ(1, Page().Cards().ColumnMode());
    ShowGroup(L"回收站");
    EXPECT_EQ(3u, Page().ColumnTab().Items().size());
    EXPECT_EQ(L"分组分栏显示", Page().ColumnTab().Items().back());
    ShowGroup(L"系统分组");
    EXPECT_EQ(2u, Page().ColumnTab().Items().size());
    EXPECT_EQ(L"无分栏", Page().ColumnTab().SelectedText());
    ShowGroup(L"A");
    manager_.reset(); // closing writes "lastsel" and "grouptab"

    Open();
    EXPECT_EQ(L"A", Page().CurrentGroup());
    EXPECT_EQ(L"创建时间分栏", Page().ColumnTab().SelectedText());
    // Deleting the group forgets its mode in the file at once.
    SendMessageW(Page().GetHandle(), LNotify::kCommand, 20041, 0);
    PumpMessages();
    CXmlDoc doc;
    ASSERT_TRUE(doc.Load(SysConfigPath()));
    EXPECT_EQ(std::wstring::npos, doc.GetDoc().find(L">A</item>"));
}

TEST_F(NotesPageTest, SearchStepsIntoOtherGroupsAndSaysWhenNothingMatches) {
    MakeNote(L"", L"n1", "nothing");
    MakeNote(L"工作", L"w1", "Velin \\'b1\\'e3\\'c7\\'a9");
    Open();
    ShowGroup(L"系统分组");
    Page().Search(L"velin");
    PumpMessages();
    EXPECT_EQ(L"工作", Page().CurrentGroup());
    ASSERT_EQ(1u, Page().Cards().Cards().size());
    EXPECT_TRUE(Page().Cards().Cards()[0].search_hit);
    Page().Search(L"");
    Page().Search(L"absent");
    EXPECT_EQ((std::vector<std::wstring>{L"请输入搜索文本！", L"没有找到含有搜索文本的便签！"}), g_told);
}
