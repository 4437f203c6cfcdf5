// The note's context menus: what a right click opens, their items in order with texts and pictures,
// the states they show, the group lists they hand to the note and the opacity item.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "note/MerlaItem.h"
#include "note/MerlaMenuNote.h"
#include "note/MerlaMenuStopPrompt.h"
#include "reminder/editor/MerlaMenuSetPromptSub.h"
#include "store/NoteRecord.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<MerlaItem> OpenNote(const std::wstring& name, bool from_manager = false) {
    NoteRecord record = NoteRecord::ForNote(NoteFolder(name), name, 0);
    record.WriteText(NoteKey::kUnique, name);
    record.WriteRect(NoteRect{200, 150, 380, 330});
    auto note = std::make_unique<MerlaItem>(name, std::wstring(), from_manager);
    EXPECT_TRUE(note->Create(0, L"", MerlaItem::kExStyle, MerlaItem::kStyle, 200, 150, 180, 180, nullptr));
    PumpMessages();
    return note;
}

void RightClick(MerlaItem& note) {
    SendMessageW(note.GetHandle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(note.GetHandle()),
                 MAKELPARAM(250, 200));
    PumpMessages();
}

template <class Menu> Menu* OpenMenu() {
    return dynamic_cast<Menu*>(LWnd::FromId(MerlaMenuNote::kId));
}

void CloseMenus() {
    for (int id : {MerlaMenuNote::kId, MerlaMenuStopPrompt::kId})
        if (auto* menu = dynamic_cast<LWndMenu*>(LWnd::FromId(id)))
            menu->HideMenu();
    PumpFor(1200); // closed menus free themselves on their next tick
}

struct Expected {
    int command;
    const wchar_t* text;
    const wchar_t* picture;
};

void ExpectItems(MerlaMenuNoteBase& menu, const std::vector<Expected>& expected) {
    ASSERT_EQ(expected.size(), menu.Entries().size());
    int last_top = -1;
    for (const Expected& e : expected) {
        MerlaMenuItem* item = menu.ItemOf(e.command);
        ASSERT_NE(nullptr, item) << e.command;
        wchar_t text[64] = {};
        GetWindowTextW(item->GetHandle(), text, 64);
        EXPECT_STREQ(e.text, text) << e.command;
        EXPECT_EQ(std::wstring(e.picture), item->GetIcon()) << e.command;
        const RECT r = item->WindowRect();
        EXPECT_GT(r.top, last_top) << e.command; // top to bottom in this order
        last_top = r.top;
    }
}

} // namespace

TEST(NoteMenu, ItemsInOrderTheNoteStatesAndTheGroupListsOfThisOpening) {
    EnsureFolder(GroupItemsDir() + L"工作");
    EnsureFolder(GroupTplsDir() + L"彩色");
    auto note = OpenNote(L"menu_note");
    RightClick(*note);
    MerlaMenuNote* menu = OpenMenu<MerlaMenuNote>();
    ASSERT_NE(nullptr, menu);
    EXPECT_TRUE(IsWindowVisible(menu->GetHandle()));
    ExpectItems(*menu, {{30210, L"新建", L"addnote.png"},
                        {30218, L"隐藏", L"invisible.png"},
                        {30202, L"删除", L"delete.png"},
                        {30220, L"最小化", L"minisize.png"},
                        {30223, L"鼠标穿透", L"trans.png"},
                        {30214, L"设置提醒...", L"prompt.png"},
                        {30201, L"设置背景...", L"images.png"},
                        {30206, L"添加图像...", L""},
                        {30212, L"添加文字", L""},
                        {30213, L"", L""},
                        {30205, L"嵌入桌面", L""},
                        {30203, L"置顶显示", L""},
                        {30208, L"选择模板...", L""},
                        {30207, L"保存为模板...", L""},
                        {30211, L"管理", L"manager.png"},
                        {30204, L"退出", L""}});
    EXPECT_EQ(std::vector<std::wstring>{L"工作"}, menu->NoteGroups());
    EXPECT_EQ(std::vector<std::wstring>{L"彩色"}, menu->TemplateGroups());
    ASSERT_NE(nullptr, menu->ReminderSubmenu());
    EXPECT_EQ(std::wstring(L"设置提醒子菜单"), [&] {
        wchar_t caption[64] = {};
        GetWindowTextW(menu->ReminderSubmenu()->GetHandle(), caption, 64);
        return std::wstring(caption);
    }());

    // The opacity item shows the transparency and tells the note the alpha it is moved to.
    ASSERT_NE(nullptr, menu->OpacityItem());
    EXPECT_EQ(0, menu->OpacityItem()->Slider().GetValue());
    menu->OpacityItem()->Slider().SetValue(55);
    menu->OpacityItem()->Slider().OnValueChanged();
    PumpMessages();
    int alpha = -1;
    NoteRecord::ForNote(note->Folder(), note->Name()).ReadInt(L"alpha", alpha);
    EXPECT_EQ(200, alpha);
    CloseMenus();

    // A group made while no menu is open is listed the next time; the states show ticked.
    EnsureFolder(GroupItemsDir() + L"生活");
    SendMessageW(note->GetHandle(), LNotify::kCommand, 30203, 0);
    RightClick(*note);
    menu = OpenMenu<MerlaMenuNote>();
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(2u, menu->NoteGroups().size());
    EXPECT_EQ(std::wstring(L"check.png"), menu->ItemOf(30203)->GetIcon());
    wchar_t text[64] = {};
    GetWindowTextW(menu->ItemOf(30203)->GetHandle(), text, 64);
    EXPECT_STREQ(L"取消置顶", text);
    GetWindowTextW(menu->ItemOf(30205)->GetHandle(), text, 64);
    EXPECT_STREQ(L"嵌入桌面", text);
    EXPECT_EQ(55, menu->OpacityItem()->Slider().GetValue());
    CloseMenus();
}

TEST(NoteMenu, AReminderOpensTheStopMenuAndTheManagersNoteItsOwnMenu) {
    auto note = OpenNote(L"menu_remind");
    SendMessageW(note->GetHandle(), NoteMsg::kReminderFires, 0, 0);
    PumpMessages();
    RightClick(*note);
    EXPECT_NE(nullptr, LWnd::HandleFromId(MerlaMenuStopPrompt::kId));
    EXPECT_EQ(nullptr, OpenMenu<MerlaMenuNote>());
    SendMessageW(note->GetHandle(), LNotify::kCommand, NoteCmd::kStopReminder, 0);
    CloseMenus();

    auto modified = OpenNote(L"menu_modify", true);
    RightClick(*modified);
    auto* menu = OpenMenu<MerlaMenuModifying>();
    ASSERT_NE(nullptr, menu);
    ExpectItems(*menu, {{30219, L"退出修改", L""},
                        {30214, L"设置提醒...", L""},
                        {30201, L"设置背景...", L"images.png"},
                        {30206, L"添加图像...", L""},
                        {30212, L"添加文字", L""},
                        {30213, L"", L""},
                        {30208, L"选择模板...", L""},
                        {30207, L"保存为模板...", L""}});
    CloseMenus();
}
