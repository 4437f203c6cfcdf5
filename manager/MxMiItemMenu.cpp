#include "manager/MxMiItemMenu.h"

#include "app/base/AppPaths.h"

namespace {

constexpr wchar_t kMoveCaption[] = L"移动至分组菜单";
constexpr wchar_t kDeleteAndMoveText[] = L"删除并移动便签至 ->";

} // namespace

MxMiItemMenu::MxMiItemMenu(std::vector<MerlaMenuEntry> entries) : MerlaItemMenu(std::move(entries), kWidth) {
    SetObjectName(L"MxMiItemMenu");
}

MxMiItemMenu::~MxMiItemMenu() = default;

bool MxMiItemMenu::Build(int id, const std::wstring& caption, HWND owner, bool with_move_menu,
                         const std::wstring& move_group, const std::wstring& groups_dir, int move_base) {
    if (!MerlaItemMenu::Build(id, caption, owner))
        return false;
    if (with_move_menu) {
        move_ =
            std::make_unique<MxMiMenuMoveToSub>(groups_dir.empty() ? GroupItemsDir() : groups_dir, move_base);
        move_->SetDefaultFirst(true);
        move_->SetExcluded(move_group);
        if (move_->Build(kMoveMenuId, kMoveCaption, owner))
            SetSubmenu(MxMiCmd::kDeleteAndMove, move_.get());
    }
    SetOwner(owner);
    return true;
}

MxMiMenuMoveToSub* NewMoveMenu(HWND owner, const std::wstring& current_group, const std::wstring& groups_dir,
                               int move_base) {
    auto* menu = new MxMiMenuMoveToSub(groups_dir.empty() ? GroupItemsDir() : groups_dir, move_base);
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

std::vector<MerlaMenuEntry> GroupOpEntries(bool user_group) {
    std::vector<MerlaMenuEntry> entries{{MxMiCmd::kNewGroup, L"新建分组", L"add.png"}};
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
