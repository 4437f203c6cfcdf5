#pragma once
// The notes page's popup menus: fixed items, one of them optionally opening the move menu; the
// delete menu and the group menu are two of them.
#include "toolkit/MxMiMenuMoveToSub.h"
#include "toolkit/MerlaMenu.h"

#include <memory>
#include <string>
#include <vector>

namespace MxMiCmd {
inline constexpr int kNewGroup = 20040, kDeleteGroup = 20041, kEmptyBin = 20042, kDeleteNotes = 20043;
inline constexpr int kRestore = 20044, kSelectAll = 20045, kInvert = 20046, kMoveTo = 20047;
inline constexpr int kShow = 20048, kHide = 20049, kRename = 20050, kExport = 20051;
inline constexpr int kConfirm = 30901, kDeleteAndMove = 30902;
inline constexpr int kMoveToDefault = 31000; // 31000 + k: entry k of the move menu
} // namespace MxMiCmd

class MxMiItemMenu : public MerlaItemMenu {
public:
    static constexpr int kWidth = 170;
    static constexpr int kMoveMenuId = 20070;

    explicit MxMiItemMenu(std::vector<MerlaMenuEntry> entries);
    ~MxMiItemMenu() override;

    // Creates the hidden menu owned by owner; with with_move_menu set, the item kDeleteAndMove opens
    // the move menu of the groups other than move_group: the folders below groups_dir (GroupItemsDir
    // when empty), commands from move_base.
    bool Build(int id, const std::wstring& caption, HWND owner, bool with_move_menu,
               const std::wstring& move_group = {}, const std::wstring& groups_dir = {},
               int move_base = MxMiCmd::kMoveToDefault);

    MxMiMenuMoveToSub* MoveMenu() { return move_.get(); }

private:
    std::unique_ptr<MxMiMenuMoveToSub> move_;
};

// The move menu on its own (tool command 20047): the default group first, the current group left out.
MxMiMenuMoveToSub* NewMoveMenu(HWND owner, const std::wstring& current_group,
                               const std::wstring& groups_dir = {}, int move_base = MxMiCmd::kMoveToDefault);

// "删除菜单": delete and move, or delete.
class MxMiMenuDel : public MxMiItemMenu {
public:
    static constexpr int kId = 20071;
    MxMiMenuDel();
};

// "分组编辑菜单": new group; for a user group also rename, delete, delete and move.
class MerlaMenuGroupOp : public MxMiItemMenu {
public:
    static constexpr int kId = 20072;
    explicit MerlaMenuGroupOp(bool user_group);
};
