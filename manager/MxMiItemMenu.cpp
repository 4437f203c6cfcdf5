#include "manager/MxMiItemMenu.h"

#include "app/base/AppPaths.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr DWORD kMenuExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW;
constexpr wchar_t kMoveCaption[] = L"移动至分组菜单";
constexpr wchar_t kDeleteAndMoveText[] = L"删除并移动便签至 ->";

} // namespace

MxMiItemMenu::MxMiItemMenu(std::vector<MxMiMenuEntry> entries) : entries_(std::move(entries)) {
    SetObjectName(L"MxMiItemMenu");
}

MxMiItemMenu::~MxMiItemMenu() = default;

bool MxMiItemMenu::Build(int id, const std::wstring& caption, HWND owner, bool with_move_menu,
                         const std::wstring& move_group) {
    if (!Create(id, caption, kMenuExStyle, WS_POPUP, 0, 0, GetMenuWidth(), GetMenuHeight(), owner))
        return false;
    if (with_move_menu) {
        move_ = std::make_unique<MxMiMenuMoveToSub>(GroupItemsDir(), MxMiCmd::kMoveToDefault);
        move_->SetDefaultFirst(true);
        move_->SetExcluded(move_group);
        if (move_->Build(kMoveMenuId, kMoveCaption, owner))
            SetSubmenu(MxMiCmd::kDeleteAndMove, move_.get());
    }
    SetOwner(owner);
    return true;
}

bool MxMiItemMenu::OnCreate() {
    const bool ok = MerlaMenu::OnCreate();
    const int s = shadow_width_;
    const int width = GetMenuWidth() - 2 * s;
    for (const MxMiMenuEntry& e : entries_) {
        auto item = std::make_unique<MerlaMenuItem>();
        item->SetIcon(e.picture);
        const int y = s + static_cast<int>(items_.size()) * item_height_;
        if (item->Create(e.command, e.text, 0, WS_CHILD | WS_VISIBLE, s, y, width, item_height_, handle_))
            items_.push_back(std::move(item));
    }
    return ok;
}

int MxMiItemMenu::GetMenuHeight() {
    return static_cast<int>(entries_.size()) * item_height_ + 2 * shadow_width_;
}

int MxMiItemMenu::GetMenuWidth() {
    float text = 0;
    for (const MxMiMenuEntry& e : entries_)
        text = std::max(text, MeasureUiText(e.text, kAlignNear).width);
    const int content = MerlaMenuItem::kDefaultColumnWidth + static_cast<int>(std::ceil(text)) + item_height_;
    return std::max(kWidth, content) + 2 * shadow_width_;
}

MxMiMenuMoveToSub* NewMoveMenu(HWND owner, const std::wstring& current_group) {
    auto* menu = new MxMiMenuMoveToSub(GroupItemsDir(), MxMiCmd::kMoveToDefault);
    menu->SetDefaultFirst(true);
    menu->SetExcluded(current_group);
    if (!menu->Build(MxMiItemMenu::kMoveMenuId, kMoveCaption, owner)) {
        delete menu;
        return nullptr;
    }
    menu->SetOwner(owner);
    return menu;
}

MxMiMenuDel::MxMiMenuDel()
    : MxMiItemMenu({{MxMiCmd::kDeleteAndMove, kDeleteAndMoveText, L"addnote.png"},
                    {MxMiCmd::kConfirm, L"删除", L"delete.png"}}) {
    SetObjectName(L"MxMiMenuDel");
}

namespace {

std::vector<MxMiMenuEntry> GroupOpEntries(bool user_group) {
    std::vector<MxMiMenuEntry> entries{{MxMiCmd::kNewGroup, L"新建分组", L"add.png"}};
    if (user_group) {
        entries.push_back({MxMiCmd::kRename, L"重命名", L"rename.png"});
        entries.push_back({MxMiCmd::kDeleteGroup, L"删除分组", L"delete.png"});
        entries.push_back({MxMiCmd::kDeleteAndMove, kDeleteAndMoveText, L"addnote.png"});
    }
    return entries;
}

} // namespace

MerlaMenuGroupOp::MerlaMenuGroupOp(bool user_group) : MxMiItemMenu(GroupOpEntries(user_group)) {
    SetObjectName(L"MerlaMenuGroupOp");
}
