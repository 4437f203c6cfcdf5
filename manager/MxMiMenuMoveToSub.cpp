#include "manager/MxMiMenuMoveToSub.h"

#include "app/base/DirUtils.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

MxMiMenuMoveToSub::MxMiMenuMoveToSub(std::wstring groups_dir, int base_command)
    : groups_dir_(std::move(groups_dir)), base_command_(base_command) {
    SetObjectName(L"MxMiMenuMoveToSub");
}

bool MxMiMenuMoveToSub::Build(int id, const std::wstring& caption, HWND owner) {
    groups_.clear();
    for (std::wstring& name : ListEntries(groups_dir_)) {
        if (FolderExists(groups_dir_ + name) &&
            (excluded_.empty() || _wcsicmp(name.c_str(), excluded_.c_str()) != 0))
            groups_.push_back(std::move(name));
    }
    // Commands beyond the range would run into the next command block.
    if (groups_.size() > static_cast<size_t>(kMaxGroups))
        groups_.resize(kMaxGroups);
    return Create(id, caption, WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, GetMenuWidth(),
                  GetMenuHeight(), owner);
}

bool MxMiMenuMoveToSub::OnCreate() {
    const bool ok = MerlaMenu::OnCreate();
    const int s = shadow_width_;
    const int width = GetMenuWidth() - 2 * s;
    auto add = [&](int command, const std::wstring& text) {
        auto item = std::make_unique<MerlaMenuItem>();
        const int y = s + static_cast<int>(items_.size()) * item_height_;
        if (item->Create(command, text, 0, WS_CHILD | WS_VISIBLE, s, y, width, item_height_, handle_))
            items_.push_back(std::move(item));
    };
    if (default_first_)
        add(base_command_, kDefaultGroupText);
    for (size_t i = 0; i < groups_.size(); ++i)
        add(base_command_ + 1 + static_cast<int>(i), groups_[i]);
    if (!default_first_)
        add(base_command_, kDefaultGroupText);
    return ok;
}

int MxMiMenuMoveToSub::GetMenuHeight() {
    return static_cast<int>(groups_.size() + 1) * item_height_ + 2 * shadow_width_;
}

int MxMiMenuMoveToSub::GetMenuWidth() {
    float text = MeasureUiText(kDefaultGroupText, kAlignNear).width;
    for (const std::wstring& name : groups_)
        text = std::max(text, MeasureUiText(name, kAlignNear).width);
    const int content = MerlaMenuItem::kDefaultColumnWidth + static_cast<int>(std::ceil(text)) + item_height_;
    return std::max(kMinWidth, content) + 2 * shadow_width_;
}
