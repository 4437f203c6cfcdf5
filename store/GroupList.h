#pragma once
// The rows of the manager's group list: the user groups (the sub-folders of the groups folder, in
// listing order), then "系统分组", then "回收站", with one selected row. The manager's list
// control draws these rows; the note store adds, rebuilds and selects them.
#include <string>
#include <vector>

inline constexpr wchar_t SystemGroupName[] = L"系统分组"; // the default group
inline constexpr wchar_t RecycleBinName[] = L"回收站";

class GroupList {
public:
    // groups_folder: where user groups are folders (GroupItemsDir when empty).
    explicit GroupList(std::wstring groups_folder = {});

    // Lists the groups again and selects the row selected before by exact name (row 0 when gone).
    void Rebuild();
    const std::vector<std::wstring>& Rows() const { return rows_; }
    int Selected() const { return selected_; }
    std::wstring SelectedName() const;
    bool Select(int row);
    bool SelectName(const std::wstring& name);
    // Row of a group by exact name; the empty name is "系统分组". -1 when absent.
    int IndexOf(const std::wstring& name) const;
    // A row for a group that is about to get its folder (shown until the next Rebuild).
    void AddRow(const std::wstring& name);

private:
    std::wstring groups_folder_;
    std::vector<std::wstring> rows_;
    int selected_ = -1;
};
