#pragma once
// A submenu of folders: one item per subfolder of a folder in listing order, then the default
// entry (or the default entry first). The owner acts on the command of the chosen item.
#include "toolkit/MerlaMenu.h"

#include <memory>
#include <string>
#include <vector>

class MxMiMenuMoveToSub : public MerlaItemMenu {
public:
    static constexpr int kMinWidth = 120;
    static constexpr int kMaxGroups = 198;
    static constexpr wchar_t kDefaultGroupText[] = L"系统分组";

    // Item i (from 0) of the folders below groups_dir gets base_command + 1 + i; the default group
    // gets base_command.
    MxMiMenuMoveToSub(std::wstring groups_dir, int base_command);

    // The manager's move menu: the default group first, and the group the notes are in left out
    // (compared ignoring case).
    void SetDefaultFirst(bool on) { default_first_ = on; }
    void SetExcluded(std::wstring group) { excluded_ = std::move(group); }

    // Lists the group folders and creates the hidden menu window owned by owner.
    bool Build(int id, const std::wstring& caption, HWND owner);

    const std::vector<std::wstring>& GroupNames() const { return groups_; }

    // The group folders below groups_dir in listing order, the excluded one (ignoring case) left out.
    static std::vector<std::wstring> ListGroups(const std::wstring& groups_dir, const std::wstring& excluded);

private:
    std::wstring groups_dir_;
    int base_command_;
    bool default_first_ = false;
    std::wstring excluded_;
    std::vector<std::wstring> groups_;
};
