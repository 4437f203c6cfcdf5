// The templates page of the manager: making a template from a picture, the recycle bin and moves
// over the template folders, the tool row per kind of group, and the edit dialog writing the size.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "manager/MerlaModifyTpl.h"
#include "manager/MxMiManager.h"
#include "store/NoteRecord.h"
#include "store/xml/FileBytes.h"
#include "store/TemplateStore.h"
#include "toolkit/MerlaMessageBox.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::vector<std::wstring> g_told;

int Answer(HWND, const std::wstring& text, int) {
    g_told.push_back(text);
    return kMbOk;
}

NoteRecord Template(const std::wstring& base, const std::wstring& name) {
    return NoteRecord(base + name + L"\\" + name + L".xml", L"TplItem");
}

// What the edit dialog saw and left while the test's timer ran inside its modal loop.
struct DialogVisit {
    int opened = 0;
    int content_width = 0, content_height = 0;
} g_visit;

void CALLBACK ResizeAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
    auto* dialog = dynamic_cast<MerlaModifyTpl*>(LWnd::FromId(MerlaModifyTpl::kId));
    if (!dialog)
        return;
    KillTimer(nullptr, timer);
    ++g_visit.opened;
    const RECT content = dialog->ContentRect();
    g_visit.content_width = content.right - content.left;
    g_visit.content_height = content.bottom - content.top;
    const RECT wr = dialog->WindowRect();
    MoveWindow(dialog->GetHandle(), wr.left, wr.top, wr.right - wr.left + 60, wr.bottom - wr.top + 40, TRUE);
    dialog->Close();
}

class TemplatesPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteTree(DataDir());
        DeleteFileW(SysConfigPath().c_str());
        g_told.clear();
        g_visit = {};
        picture_ = TempImageDir() + L"red.png";
        ASSERT_TRUE(WriteSolidPng(picture_, 0xFFFF0000));
        MxMiTpl::SetMessageBoxHook(&Answer);
    }
    void TearDown() override {
        manager_.reset();
        PumpMessages();
        MxMiTpl::SetMessageBoxHook(nullptr);
    }
    MxMiTpl& Open() {
        manager_ = std::make_unique<MxMiManager>();
        EXPECT_TRUE(manager_->Create(MxMiManager::kId, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW,
                                     WS_POPUP | WS_VISIBLE, 0, 0, MxMiManager::kWidth, MxMiManager::kHeight,
                                     nullptr));
        SendMessageW(manager_->GetHandle(), LNotify::kButtonClicked, MxMiManager::kTemplatesButtonId, 0);
        PumpMessages();
        return manager_->TemplatesPage();
    }
    MxMiTpl& Page() { return manager_->TemplatesPage(); }
    void ShowGroup(const std::wstring& name) {
        const int row = Page().Groups().IndexOf(name);
        ASSERT_GE(row, 0);
        Page().ShowGroup(row);
        PumpMessages();
    }
    int CardOf(const std::wstring& name) {
        const auto& cards = Page().Cards().Cards();
        for (size_t i = 0; i < cards.size(); ++i)
            if (cards[i].note.name == name)
                return static_cast<int>(i);
        return -1;
    }
    void Select(const std::wstring& name) {
        const int card = CardOf(name);
        ASSERT_GE(card, 0);
        const RECT r = Page().Cards().CardClientRect(card);
        Page().Cards().OnClick(0, r.left + 1, r.top + 1);
    }
    void DoubleClick(const std::wstring& name) {
        const int card = CardOf(name);
        ASSERT_GE(card, 0);
        const RECT r = Page().Cards().CardClientRect(card);
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, &ResizeAndClose);
        Page().Cards().OnLButtonDblClk(0, r.left + 1, r.top + 1);
        PumpFor(150);
        KillTimer(nullptr, timer);
    }
    // A template of the group made by the store, as the add command makes it.
    std::wstring Make(const std::wstring& group) {
        std::wstring name;
        EXPECT_TRUE(Page().Store().AddTemplate(group, picture_, name));
        return name;
    }
    std::wstring picture_;
    std::unique_ptr<MxMiManager> manager_;
};

} // namespace

TEST_F(TemplatesPageTest, NewTemplateIsA240SquareOfItsPictureListedWithTheProgramsOwn) {
    EnsureFolder(TplsDir() + L"__temp_tpl_\\");
    ASSERT_TRUE(Template(TplsDir(), L"__temp_tpl_").WriteRect({0, 0, 100, 50}));
    Open();
    ShowGroup(L"系统分组");
    ASSERT_TRUE(Page().AddTemplateFrom(picture_));

    const auto& cards = Page().Cards().Cards();
    ASSERT_EQ(2u, cards.size());
    EXPECT_GE(CardOf(L"__temp_tpl_"), 0);
    const size_t made = CardOf(L"__temp_tpl_") == 0 ? 1 : 0;
    const std::wstring name = cards[made].note.name;
    EXPECT_EQ(L"系统分组", cards[made].note.group);
    EXPECT_EQ(240, cards[made].note.width);
    EXPECT_EQ(240, cards[made].note.height);

    const NoteRecord record = Template(TplsDir(), name);
    NoteRect rect;
    ASSERT_TRUE(record.ReadRect(rect));
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(240, rect.right);
    EXPECT_EQ(240, rect.bottom);
    std::wstring text;
    EXPECT_TRUE(record.ReadText(L"TplName", text));
    EXPECT_EQ(L"", text);
    EXPECT_TRUE(record.ReadText(L"bkimage", text));
    EXPECT_EQ(L"bkimage_" + name + L"_red.png", text);
    EXPECT_TRUE(FileExists(TplsDir() + name + L"\\" + text));
    // Size and picture only: nothing else lands in a template folder.
    EXPECT_EQ(2u, ListEntries(TplsDir() + name + L"\\").size());
    EXPECT_TRUE(record.ReadText(L"datetime", text));
    EXPECT_FALSE(text.empty());

    // The card is the picture stretched to the square.
    MxMiNList::Card card;
    card.note = cards[made].note;
    card.width = cards[made].width;
    card.height = cards[made].height;
    const LSurface s = Page().Cards().GetCardSurface(card);
    ASSERT_TRUE(s);
    EXPECT_EQ(Opaque(0xFF0000), s.Pixel(card.width / 2, card.height / 2));

    // A picture that cannot be copied makes nothing and says so.
    EXPECT_FALSE(Page().AddTemplateFrom(TempImageDir() + L"absent.png"));
    EXPECT_EQ(std::vector<std::wstring>{MxMiTpl::kCopyFailed}, g_told);
    EXPECT_EQ(2u, ListEntries(TplsDir()).size());
}

TEST_F(TemplatesPageTest, DeletedTemplateGoesToItsBinAndRestoringBringsBackItsGroup) {
    Open();
    const std::wstring name = Make(L"工作");
    Page().Store().RebuildGroupList();
    ShowGroup(L"工作");
    Select(name);
    Page().RunCommand(20014);
    PumpMessages();
    EXPECT_EQ(std::vector<std::wstring>{L"确定要删选择的模板吗？"}, g_told);
    EXPECT_TRUE(Template(TplRecycleDir(), name).Exists());
    EXPECT_FALSE(FolderExists(GroupTplsDir() + L"工作\\" + name));
    EXPECT_TRUE(ListEntries(RecycleDir()).empty()); // notes' bin untouched

    SendMessageW(Page().GetHandle(), LNotify::kCommand, 20041, 0);
    PumpMessages();
    EXPECT_FALSE(FolderExists(GroupTplsDir() + L"工作"));
    EXPECT_LT(Page().Groups().IndexOf(L"工作"), 0);

    ShowGroup(L"回收站");
    Select(name);
    Page().RunCommand(20044);
    PumpMessages();
    EXPECT_TRUE(Template(GroupTplsDir() + L"工作\\", name).Exists());
    EXPECT_GE(Page().Groups().IndexOf(L"工作"), 0);
}

TEST_F(TemplatesPageTest, MoveSetsTheGroupInTheCopyAndRemovesTheSource) {
    Open();
    const std::wstring name = Make(L"");
    EnsureFolder(GroupTplsDir() + L"B\\");
    Page().Store().RebuildGroupList();
    ShowGroup(L"系统分组");
    Select(name);
    Page().RunCommand(20047);
    SendMessageW(Page().GetHandle(), LNotify::kCommand, 31201, 0);
    PumpMessages();
    std::wstring group;
    EXPECT_TRUE(Template(GroupTplsDir() + L"B\\", name).ReadText(L"group", group));
    EXPECT_EQ(L"B", group);
    EXPECT_FALSE(FolderExists(TplsDir() + name));
}

TEST_F(TemplatesPageTest, ToolRowFollowsTheKindOfGroupAndRefusesWithoutAChoice) {
    EnsureFolder(GroupTplsDir() + L"A\\");
    Open();
    const int W = Page().ClientRect().right;
    struct Place {
        int command;
        const wchar_t* text;
        int x, width; // width 0: hidden
    };
    auto check = [&](const std::wstring& group, std::vector<Place> places, int hint_x) {
        ShowGroup(group);
        for (const Place& p : places) {
            MerlaBt* bt = Page().ToolButton(p.command);
            ASSERT_NE(nullptr, bt) << p.command;
            wchar_t text[32] = {};
            GetWindowTextW(bt->GetHandle(), text, 32);
            EXPECT_STREQ(p.text, text);
            EXPECT_EQ(p.width != 0, IsWindowVisible(bt->GetHandle()) != FALSE) << group << " " << p.command;
            if (p.width == 0)
                continue;
            const RECT r = bt->WindowRect();
            POINT at{r.left, r.top};
            ScreenToClient(Page().GetHandle(), &at);
            EXPECT_EQ(p.x, at.x) << group << " " << p.command;
            EXPECT_EQ(p.width, r.right - r.left) << group << " " << p.command;
        }
        EXPECT_EQ(hint_x >= 0, IsWindowVisible(Page().Hint().GetHandle()) != FALSE) << group;
        if (hint_x >= 0) {
            const RECT r = Page().Hint().WindowRect();
            POINT at{r.left, r.top};
            ScreenToClient(Page().GetHandle(), &at);
            EXPECT_EQ(hint_x, at.x);
        }
    };
    check(L"系统分组",
          {{20040, L"新建分组", 7, 90},
           {20050, L"重命名", 0, 0},
           {20041, L"删除分组", 0, 0},
           {20042, L"清空回收站", 0, 0},
           {20044, L"恢复模板", 0, 0},
           {20045, L"全选", W - 397, 60},
           {20046, L"反选", W - 337, 60},
           {20047, L"移动至-->", W - 277, 90},
           {20031, L"添加模板", W - 187, 90},
           {20014, L"删除模板", W - 97, 90}},
          W - 557);
    check(L"A",
          {{20050, L"重命名", 97, 90}, {20041, L"删除分组", 187, 90}, {20031, L"添加模板", W - 187, 90}},
          W - 557);
    check(L"回收站",
          {{20040, L"新建分组", 7, 90},
           {20050, L"重命名", 0, 0},
           {20042, L"清空回收站", W - 497, 100},
           {20044, L"恢复模板", W - 397, 90},
           {20045, L"全选", W - 307, 60},
           {20046, L"反选", W - 247, 60},
           {20047, L"移动至-->", W - 187, 90},
           {20031, L"添加模板", 0, 0},
           {20014, L"删除模板", W - 97, 90}},
          -1);
    EXPECT_EQ(3u, Page().ColumnTab().Items().size());

    for (int command : {20014, 20047, 20044})
        Page().RunCommand(command);
    EXPECT_EQ((std::vector<std::wstring>{L"请选择要删除的模板！", L"请选择要移动的模板！",
                                         L"请选择要恢复的模板！"}),
              g_told);
}

TEST_F(TemplatesPageTest, EditDialogWritesEverySizeAndOpensNowhereInTheBin) {
    Open();
    const std::wstring name = Make(L"");
    ShowGroup(L"系统分组");
    DoubleClick(name);
    EXPECT_EQ(1, g_visit.opened);
    EXPECT_EQ(240, g_visit.content_width);
    EXPECT_EQ(240, g_visit.content_height);
    NoteRect rect;
    ASSERT_TRUE(Template(TplsDir(), name).ReadRect(rect));
    EXPECT_EQ(300, rect.Width());
    EXPECT_EQ(280, rect.Height());
    // The changed template's card is read again.
    ASSERT_EQ(0, CardOf(name));
    EXPECT_EQ(300, Page().Cards().Cards()[0].note.width);

    MoveFileW((TplsDir() + name).c_str(), (TplRecycleDir() + name).c_str());
    ShowGroup(L"回收站");
    g_visit = {};
    DoubleClick(name);
    EXPECT_EQ(0, g_visit.opened);
    EXPECT_FALSE(Page().Cards().EditTemplate(0));
}
