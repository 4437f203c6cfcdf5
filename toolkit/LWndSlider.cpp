#include "toolkit/LWndSlider.h"

#include <algorithm>

LWndSlider::LWndSlider(int orientation) : orientation_(orientation) {
    SetObjectName(L"LWndSlider");
}

bool LWndSlider::OnCreate() {
    const bool ok = LWnd::OnCreate();
    LayoutSlider();
    return ok;
}

void LWndSlider::LayoutSlider() {
    const RECT rc = ClientRect();
    const int range = max_ - min_;
    if (orientation_ == kVertical) {
        track_ = RECT{rc.left + margin_across_, rc.top + margin_along_, rc.right - margin_across_,
                      rc.bottom - margin_along_};
        const int side = (rc.right - rc.left) - 2 * margin_along_;
        const int length = track_.bottom - track_.top;
        const int cy =
            track_.top + (range > 0 ? static_cast<int>(static_cast<int64_t>(value_) * length / range) : 0);
        const int cx = (track_.left + track_.right) / 2;
        thumb_ = RECT{cx - side / 2, cy - side / 2, cx - side / 2 + side, cy - side / 2 + side};
    } else {
        track_ = RECT{rc.left + margin_along_, rc.top + margin_across_, rc.right - margin_along_,
                      rc.bottom - margin_across_};
        const int side = (rc.bottom - rc.top) - 2 * margin_across_;
        const int length = track_.right - track_.left;
        const int cx =
            track_.left + (range > 0 ? static_cast<int>(static_cast<int64_t>(value_) * length / range) : 0);
        const int cy = (track_.top + track_.bottom) / 2;
        thumb_ = RECT{cx - side / 2, cy - side / 2, cx - side / 2 + side, cy - side / 2 + side};
    }
}

void LWndSlider::OnValueChanged() {}

void LWndSlider::SetRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = std::max(minimum, maximum);
    value_ = std::clamp(value_, min_, max_);
    LayoutSlider();
}

void LWndSlider::SetValue(int value) {
    value_ = std::clamp(value, min_, max_);
    LayoutSlider();
}

LSurface LWndSlider::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (!s)
        return s;
    s.FillRect(track_.left, track_.top, track_.right - track_.left, track_.bottom - track_.top, kTrackColor);
    // The thumb lies over the track.
    LSurface thumb =
        CreateSurface(handle_, thumb_.right - thumb_.left, thumb_.bottom - thumb_.top, kThumbColor);
    if (thumb)
        s.BlendFrom(thumb, thumb_.left, thumb_.top);
    return s;
}

bool LWndSlider::FollowPointer(int coord) {
    const bool vertical = orientation_ == kVertical;
    const int lo = vertical ? track_.top : track_.left;
    const int hi = vertical ? track_.bottom : track_.right;
    const int length = hi - lo;
    const int centre = std::clamp(coord, lo, hi);
    const int half_w = (thumb_.right - thumb_.left) / 2, half_h = (thumb_.bottom - thumb_.top) / 2;
    if (vertical)
        OffsetRect(&thumb_, 0, centre - half_h - thumb_.top);
    else
        OffsetRect(&thumb_, centre - half_w - thumb_.left, 0);
    const int value =
        length > 0 ? static_cast<int>(static_cast<int64_t>(centre - lo) * (max_ - min_) / length) : min_;
    const int clamped = std::clamp(value, min_, max_);
    if (clamped == value_)
        return false;
    value_ = clamped;
    return true;
}

void LWndSlider::OnLButtonDown(WPARAM keys, int x, int y) {
    LWnd::OnLButtonDown(keys, x, y);
    press_ = POINT{x, y};
    if (orientation_ != kVertical) {
        FollowPointer(x);
        if (Redraw())
            Present();
        OnValueChanged();
    }
    dragging_ = true;
}

void LWndSlider::OnMouseMove(WPARAM keys, int x, int y) {
    LWnd::OnMouseMove(keys, x, y);
    if (!dragging_)
        return;
    if (FollowPointer(orientation_ == kVertical ? y : x)) {
        if (Redraw())
            Present();
        OnValueChanged();
    }
}

void LWndSlider::OnLButtonUp(WPARAM keys, int x, int y) {
    LWnd::OnLButtonUp(keys, x, y);
    dragging_ = false;
}
