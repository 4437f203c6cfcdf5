#include "toolkit/pickers/MerlaBKCColor.h"

MerlaBKCColorBt::MerlaBKCColorBt(std::wstring text) : MerlaBt({}, std::move(text)) {}

void MerlaBKCColorBt::SetFocusWnd() {
    TakeQuietFocus(*this);
}

bool MerlaBKCColorBt::OnKillFocus(LWnd* new_focus) {
    const bool result = MerlaBt::OnKillFocus(new_focus);
    ReportFocusLoss(*this, new_focus);
    return result;
}

MerlaBKCColor::MerlaBKCColor() {
    SetObjectName(L"MerlaBKCColor");
}

bool MerlaBKCColor::OnCreate() {
    const bool ok = LWndWithShadow::OnCreate();
    const int s = shadow_width_;
    const RECT rc = ClientRect();
    const int w = rc.right - 2 * s;
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    grid_.Create(0, L"", 0, kChild, s, s, w, kGridBottom - s, handle_);
    other_.Create(0, L"", 0, kChild, s, kOtherTop, w, kButtonHeight, handle_);
    none_.Create(0, L"", 0, kChild, s, kNoColorTop, w, kButtonHeight, handle_);
    grid_.Subscribe(MerlaColorSel::kColorChosen, handle_);
    AddCompanion(&grid_, true);
    AddCompanion(&other_, true);
    AddCompanion(&none_, true);
    return ok;
}

void MerlaBKCColor::SetFocusWnd() {
    TakeQuietFocus(*this);
}

void MerlaBKCColor::OpenAt(int x, int y, bool with_no_color) {
    grid_.ClearHover();
    none_.Show(with_no_color ? SW_SHOW : SW_HIDE);
    popup_.Open(x, y, kWidth, with_no_color ? kHeight : kHeightNoColorHidden);
}

void MerlaBKCColor::TellClosed(LWnd* new_focus) {
    // A window of the bar that opened the popup is not a reason to tell; the note or nothing is.
    LWnd* top = new_focus ? new_focus->GetTopLevel() : nullptr;
    auto range = subscriptions_.equal_range(kClosed);
    for (auto it = range.first; it != range.second; ++it) {
        LWnd* subscriber = FromHandle(it->second);
        if (top && subscriber && subscriber->GetTopLevel() == top)
            return;
    }
    PostToSubscribers(kClosed, static_cast<WPARAM>(GetId()), 0);
}

bool MerlaBKCColor::OnKillFocus(LWnd* new_focus) {
    const bool result = LWndWithShadow::OnKillFocus(new_focus);
    if (popup_.CloseUnlessInside(new_focus))
        TellClosed(new_focus);
    return result;
}

LRESULT MerlaBKCColor::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    if (message == MerlaColorSel::kColorChosen) {
        SendToSubscribers(kColorChosen, static_cast<WPARAM>(grid_.GetCurrentColor()),
                          static_cast<LPARAM>(GetId()));
        return 0;
    }
    if (message == WM_MOUSEACTIVATE)
        return PickerPopup::kMouseActivateAnswer;
    bool closed = false;
    LWnd* new_focus = nullptr;
    if (popup_.Handle(message, wp, lp, closed, new_focus)) {
        if (closed)
            TellClosed(new_focus);
        if (message != WM_ACTIVATEAPP)
            return 0;
    }
    return LWndWithShadow::WindowProc(message, wp, lp);
}

LRESULT MerlaBKCColor::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LNotify::kButtonClicked) {
        const int id = static_cast<int>(wp);
        if (id == other_.GetId())
            PostToSubscribers(kOtherColor, static_cast<WPARAM>(grid_.GetCurrentColor()),
                              static_cast<LPARAM>(GetId()));
        else if (id == none_.GetId())
            SendToSubscribers(kColorChosen, static_cast<WPARAM>(kNoColor), static_cast<LPARAM>(GetId()));
        return 0;
    }
    return LWndWithShadow::OnNotify(message, wp, lp);
}
