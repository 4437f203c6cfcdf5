#include "toolkit/LWndScrollBar.h"

#include <algorithm>

LWndScrollBar::LWndScrollBar(int orientation) : orientation_(orientation) {
    SetObjectName(L"LWndScrollBar");
}

bool LWndScrollBar::OnCreate() {
    const bool ok = LWnd::OnCreate();
    UpdateTrack();
    UpdateThumb();
    return ok;
}

void LWndScrollBar::UpdateTrack() {
    const RECT rc = ClientRect();
    track_ = IsVertical() ? rc.bottom - rc.top : rc.right - rc.left;
}

void LWndScrollBar::UpdateThumb() {
    const int range = max_ - min_;
    thumb_ = RECT{};
    if (range <= 0 || track_ <= 0)
        return;
    // Worked example: track 100, range 400, position 100 gives a thumb 25 long starting at 25.
    const int start = static_cast<int>(static_cast<int64_t>(pos_ - min_) * track_ / range);
    const int length =
        static_cast<int>(std::min<int64_t>(static_cast<int64_t>(track_) * track_ / range, track_));
    const RECT rc = ClientRect();
    if (IsVertical())
        thumb_ = RECT{0, start, rc.right, start + length};
    else
        thumb_ = RECT{start, 0, start + length, rc.bottom};
}

void LWndScrollBar::SetRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = std::max(minimum, maximum);
    pos_ = std::clamp(pos_, min_, std::max(min_, max_ - track_));
    UpdateThumb();
}

void LWndScrollBar::Notify() {
    UpdateThumb();
    if (GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD) {
        PostMessageW(GetParent(handle_), LNotify::kScrollPos, GetId(), pos_);
    } else if (Redraw()) {
        Present();
    }
}

void LWndScrollBar::SetScrollPos(int position) {
    const int p = std::clamp(position, min_, std::max(min_, max_ - track_));
    if (p == pos_)
        return;
    pos_ = p;
    Notify();
}

void LWndScrollBar::OnLButtonDown(WPARAM keys, int x, int y) {
    LWnd::OnLButtonDown(keys, x, y);
    const POINT pt{x, y};
    if (IsShown() && IsScrollable() && PtInRect(&thumb_, pt)) {
        drag_start_pos_ = pos_;
        drag_start_coord_ = IsVertical() ? y : x;
        dragging_ = true;
    }
}

void LWndScrollBar::OnLButtonUp(WPARAM keys, int x, int y) {
    LWnd::OnLButtonUp(keys, x, y);
    dragging_ = false;
}

void LWndScrollBar::OnMouseMove(WPARAM keys, int x, int y) {
    LWnd::OnMouseMove(keys, x, y);
    if (!dragging_ || track_ <= 0)
        return;
    const int displacement = (IsVertical() ? y : x) - drag_start_coord_;
    const int64_t moved = static_cast<int64_t>(displacement) * (max_ - min_) / track_;
    const int p =
        static_cast<int>(std::clamp<int64_t>(drag_start_pos_ + moved, min_, std::max(min_, max_ - track_)));
    if (p == pos_)
        return;
    pos_ = p;
    Notify();
}

void LWndScrollBar::OnMouseWheel(int, int delta, int, int) {
    // A positive delta is the wheel turned away from the user: towards the start.
    SetScrollPos(delta > 0 ? pos_ - kWheelStep : pos_ + kWheelStep);
}

bool LWndScrollBar::OnKillFocus(LWnd* new_focus) {
    const bool result = LWnd::OnKillFocus(new_focus);
    HWND parent = GetParent(handle_);
    if (!new_focus || new_focus->GetHandle() != parent)
        SendMessageW(parent, LNotify::kScrollLostFocus, GetId(), 0);
    return result;
}

bool LWndScrollBar::OnSize(UINT type, int width, int height) {
    const bool result = LWnd::OnSize(type, width, height);
    const int before = track_;
    UpdateTrack();
    if (track_ != before)
        UpdateThumb();
    return result;
}

bool LWndScrollBar::PreTranslateMessage(MSG* msg) {
    auto it = forward_.find(msg->message);
    if (it == forward_.end() || !IsWindow(it->second))
        return false;
    SendMessageW(it->second, msg->message, msg->wParam, msg->lParam);
    return true;
}

LSurface LWndScrollBar::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (s && IsScrollable())
        s.FillRect(thumb_.left, thumb_.top, thumb_.right - thumb_.left, thumb_.bottom - thumb_.top,
                   thumb_color_);
    return s;
}
