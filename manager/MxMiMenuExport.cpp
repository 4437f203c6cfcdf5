#include "manager/MxMiMenuExport.h"

#include <algorithm>
#include <cmath>

namespace {

struct ExportEntry {
    int command;
    const wchar_t* text;
    const wchar_t* picture;
};
constexpr ExportEntry kEntries[] = {{ExportCmd::kRichText, L"富文本.rtf", L"rtf.png"},
                                    {ExportCmd::kPlainText, L"文本.txt", L"txt.png"},
                                    {ExportCmd::kPictures, L"图片.png", L"png.png"}};

} // namespace

MxMiMenuExport::MxMiMenuExport() {
    SetObjectName(L"MxMiMenuExport");
}

MxMiMenuExport* MxMiMenuExport::Make(int id, HWND owner) {
    auto* menu = new MxMiMenuExport;
    if (!menu->Build(id, owner)) {
        delete menu;
        return nullptr;
    }
    return menu;
}

bool MxMiMenuExport::Build(int id, HWND owner) {
    if (!Create(id, kCaption, WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, GetMenuWidth(),
                GetMenuHeight(), owner))
        return false;
    SetOwner(owner);
    return true;
}

bool MxMiMenuExport::OnCreate() {
    const bool ok = MerlaMenu::OnCreate();
    const int s = shadow_width_;
    const int width = GetMenuWidth() - 2 * s;
    for (const ExportEntry& entry : kEntries) {
        auto item = std::make_unique<MerlaMenuItem>();
        item->SetIcon(entry.picture);
        const int y = s + static_cast<int>(items_.size()) * item_height_;
        if (item->Create(entry.command, entry.text, 0, WS_CHILD | WS_VISIBLE, s, y, width, item_height_,
                         handle_))
            items_.push_back(std::move(item));
    }
    return ok;
}

int MxMiMenuExport::GetMenuHeight() {
    return static_cast<int>(std::size(kEntries)) * item_height_ + 2 * shadow_width_;
}

int MxMiMenuExport::GetMenuWidth() {
    float text = 0;
    for (const ExportEntry& entry : kEntries)
        text = std::max(text, MeasureUiText(entry.text, kAlignNear).width);
    const int content = MerlaMenuItem::kDefaultColumnWidth + static_cast<int>(std::ceil(text)) + item_height_;
    return std::max(kWidth, content) + 2 * shadow_width_;
}
