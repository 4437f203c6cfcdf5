#include "store/GroupList.h"

#include "app/base/AppPaths.h"
#include "store/NoteStore.h"

GroupList::GroupList(std::wstring groups_folder) : groups_folder_(std::move(groups_folder)) {}

void GroupList::Rebuild() {
    const std::wstring before = SelectedName();
    rows_ = ListSubFolders(groups_folder_.empty() ? GroupItemsDir() : groups_folder_);
    rows_.emplace_back(SystemGroupName);
    rows_.emplace_back(RecycleBinName);
    selected_ = -1;
    if (!before.empty())
        SelectName(before);
    if (selected_ < 0)
        selected_ = 0;
}

std::wstring GroupList::SelectedName() const {
    return selected_ >= 0 && selected_ < static_cast<int>(rows_.size()) ? rows_[selected_] : std::wstring();
}

bool GroupList::Select(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return false;
    selected_ = row;
    return true;
}

bool GroupList::SelectName(const std::wstring& name) {
    return Select(IndexOf(name));
}

int GroupList::IndexOf(const std::wstring& name) const {
    const std::wstring& wanted = name.empty() ? std::wstring(SystemGroupName) : name;
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i] == wanted)
            return static_cast<int>(i);
    return -1;
}

void GroupList::AddRow(const std::wstring& name) {
    if (IndexOf(name) >= 0)
        return;
    // User groups come before the two fixed rows.
    const int at = static_cast<int>(rows_.size() >= 2 ? rows_.size() - 2 : rows_.size());
    rows_.insert(rows_.begin() + at, name);
    if (selected_ >= at)
        ++selected_;
}
