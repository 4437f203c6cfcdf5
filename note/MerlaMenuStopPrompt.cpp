#include "note/MerlaMenuStopPrompt.h"

MerlaMenuStopPrompt::MerlaMenuStopPrompt() {
    SetObjectName(L"MerlaMenuStopPrompt");
}

MerlaMenuStopPrompt* MerlaMenuStopPrompt::Make(HWND note) {
    auto* menu = new MerlaMenuStopPrompt();
    if (!menu->Create(kId, kCaption, WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, menu->GetMenuWidth(),
                      menu->GetMenuHeight(), note)) {
        delete menu;
        return nullptr;
    }
    menu->SetOwner(note);
    return menu;
}

bool MerlaMenuStopPrompt::OnCreate() {
    const bool ok = MerlaMenu::OnCreate();
    stop_ = std::make_unique<MerlaMenuItem>();
    stop_->SetIcon(L"prompt.png");
    stop_->Create(kStopCommand, L"停止", 0, WS_CHILD | WS_VISIBLE, shadow_width_, shadow_width_, kWidth,
                  item_height_, handle_);
    return ok;
}

int MerlaMenuStopPrompt::GetMenuHeight() {
    return item_height_ + 2 * shadow_width_;
}

int MerlaMenuStopPrompt::GetMenuWidth() {
    return kWidth + 2 * shadow_width_;
}
