#include "reminder/editor/MerlaMenuSetPromptSub.h"

namespace {
constexpr int kButtonGap = 7;
constexpr int kExtraWidth = 14, kExtraHeight = 45;
} // namespace

MerlaMenuSetPromptSub::MerlaMenuSetPromptSub(std::wstring folder, std::wstring name)
    : folder_(std::move(folder)), name_(std::move(name)) {
    SetObjectName(L"MerlaMenuSetPromptSub");
}

MerlaMenuSetPromptSub* MerlaMenuSetPromptSub::Make(HWND note, const std::wstring& folder,
                                                   const std::wstring& name) {
    return BuildOwned(new MerlaMenuSetPromptSub(folder, name), kId, kCaption, note);
}

int MerlaMenuSetPromptSub::GetMenuWidth() {
    return kPanelWidth + 2 * shadow_width_ + kExtraWidth;
}

int MerlaMenuSetPromptSub::GetMenuHeight() {
    return kPanelHeight + 2 * shadow_width_ + kExtraHeight;
}

bool MerlaMenuSetPromptSub::OnCreate() {
    const bool ok = MerlaMenu::OnCreate();
    const int s = shadow_width_;
    show_.SetNoteFolder(folder_);
    show_.Create(0, L"提醒标签", 0, WS_CHILD | WS_VISIBLE, s + kPanelInset, s + kPanelInset, kPanelWidth,
                 kPanelHeight, handle_);
    clear_.Create(kClearId, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, kButtonWidth, kButtonHeight, handle_);
    set_.Create(kSetId, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, kButtonWidth, kButtonHeight, handle_);
    show_.ReloadGifPreview();
    Refit();
    return ok;
}

void MerlaMenuSetPromptSub::Refit() {
    const RECT wr = WindowRect();
    SetWindowPos(handle_, nullptr, 0, 0, GetMenuWidth(), GetMenuHeight(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    show_.ReloadGroups();
    const RECT panel = show_.WindowRect();
    const int panel_height = panel.bottom - panel.top;
    const int s = shadow_width_;
    const int panel_right = s + kPanelInset + kPanelWidth;
    const int buttons_top = s + kPanelInset + panel_height + kButtonGap;
    MoveWindow(clear_.GetHandle(), panel_right - kButtonWidth, buttons_top, kButtonWidth, kButtonHeight,
               FALSE);
    MoveWindow(set_.GetHandle(), panel_right - 2 * kButtonWidth - 10, buttons_top, kButtonWidth,
               kButtonHeight, FALSE);
    // The frame picture follows the size (OnSize rebuilds the shadow).
    SetWindowPos(handle_, nullptr, wr.left, wr.top, GetMenuWidth(), panel_height + 2 * s + kExtraHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT MerlaMenuSetPromptSub::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    if (message == kPromptChanged) {
        Refit();
        if (IsWindowVisible(handle_) && Redraw())
            Present();
        return 0;
    }
    return MerlaMenu::WindowProc(message, wp, lp);
}

LRESULT MerlaMenuSetPromptSub::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message != LNotify::kButtonClicked)
        return MerlaMenu::OnNotify(message, wp, lp);
    if (static_cast<int>(wp) == kSetId) {
        OnKillFocus(nullptr); // the dialog takes over: the menu closes first
        PostMessageW(owner_, LNotify::kCommand, kOpenDialogCommand, 0);
    } else if (static_cast<int>(wp) == kClearId) {
        show_.ClearReminder();
        show_.ReloadGifPreview();
        Refit();
        if (Redraw())
            Present();
    }
    return 0;
}
