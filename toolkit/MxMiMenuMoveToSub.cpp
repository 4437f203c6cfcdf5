#include "toolkit/MxMiMenuMoveToSub.h"

#include "app/base/DirUtils.h"

#include <cwchar>

MxMiMenuMoveToSub::MxMiMenuMoveToSub(std::wstring groups_dir, int base_command)
    : MerlaItemMenu({}, kMinWidth), groups_dir_(std::move(groups_dir)), base_command_(base_command) {
    SetObjectName(L"MxMiMenuMoveToSub");
}

std::vector<std::wstring> MxMiMenuMoveToSub::ListGroups(const std::wstring& groups_dir,
                                                        const std::wstring& excluded) {
    std::vector<std::wstring> groups;
    for (std::wstring& name : ListEntries(groups_dir)) {
        if (FolderExists(groups_dir + name) &&
            (excluded.empty() || _wcsicmp(name.c_str(), excluded.c_str()) != 0))
            groups.push_back(std::move(name));
    }
    return groups;
}

bool MxMiMenuMoveToSub::Build(int id, const std::wstring& caption, HWND owner) {
    groups_ = ListGroups(groups_dir_, excluded_);
    // Commands beyond the range would run into the next command block.
    if (groups_.size() > static_cast<size_t>(kMaxGroups))
        groups_.resize(kMaxGroups);
    entries_.clear();
    if (default_first_)
        entries_.push_back({base_command_, kDefaultGroupText, {}});
    for (size_t i = 0; i < groups_.size(); ++i)
        entries_.push_back({base_command_ + 1 + static_cast<int>(i), groups_[i], {}});
    if (!default_first_)
        entries_.push_back({base_command_, kDefaultGroupText, {}});
    return MerlaItemMenu::Build(id, caption, owner);
}
