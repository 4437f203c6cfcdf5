#include "richtext/LWndPicReszie.h"

#include <algorithm>

namespace {
constexpr uint32_t kFrameColor = 0xFF2B7BD6;
constexpr uint32_t kHandleColor = 0xFFFFFFFF;
} // namespace

LWndPicReszie::LWndPicReszie() {
    SetObjectName(L"LWndPicReszie");
}

bool LWndPicReszie::CreateOver(LWnd& edit, const RECT& picture) {
    return Create(0, L"", 0, WS_CHILD | WS_VISIBLE, picture.left, picture.top, picture.right - picture.left,
                  picture.bottom - picture.top, edit.GetHandle());
}

int LWndPicReszie::ZoneAt(int x, int y) const {
    const RECT rc = ClientRect();
    int zone = kZoneNone;
    if (x < zone_width_)
        zone |= kZoneLeft;
    else if (x >= rc.right - zone_width_)
        zone |= kZoneRight;
    if (y < zone_width_)
        zone |= kZoneTop;
    else if (y >= rc.bottom - zone_width_)
        zone |= kZoneBottom;
    return zone;
}

LSurface LWndPicReszie::RenderContent() {
    const RECT rc = ClientRect();
    const int w = rc.right, h = rc.bottom;
    LSurface s = CreateSurface(handle_, w, h, 0);
    if (!s)
        return s;
    s.FillRect(0, 0, w, 1, kFrameColor);
    s.FillRect(0, h - 1, w, 1, kFrameColor);
    s.FillRect(0, 0, 1, h, kFrameColor);
    s.FillRect(w - 1, 0, 1, h, kFrameColor);
    // Grab handles at the corners and the middles of the edges.
    const int z = zone_width_;
    const int xs[] = {0, (w - z) / 2, w - z}, ys[] = {0, (h - z) / 2, h - z};
    for (int yi = 0; yi < 3; ++yi) {
        for (int xi = 0; xi < 3; ++xi) {
            if (xi == 1 && yi == 1)
                continue;
            s.FillRect(xs[xi], ys[yi], z, z, kFrameColor);
            s.FillRect(xs[xi] + 1, ys[yi] + 1, z - 2, z - 2, kHandleColor);
        }
    }
    return s;
}

void LWndPicReszie::UpdateCursor(int zone) {
    const bool horizontal = zone & (kZoneLeft | kZoneRight), vertical = zone & (kZoneTop | kZoneBottom);
    int type = kCursorNormal;
    if (horizontal && vertical) {
        const bool main_diagonal = (zone & kZoneLeft) == (zone & kZoneTop ? kZoneLeft : 0);
        type = main_diagonal ? kCursorSizeNWSE : kCursorSizeNESW;
    } else if (horizontal) {
        type = kCursorSizeWE;
    } else if (vertical) {
        type = kCursorSizeNS;
    }
    SetCursorType(type);
}

void LWndPicReszie::OnMouseHover(WPARAM keys, int x, int y) {
    LWnd::OnMouseHover(keys, x, y);
    if (!dragging_)
        UpdateCursor(ZoneAt(x, y));
}

void LWndPicReszie::OnLButtonDown(WPARAM keys, int x, int y) {
    LWnd::OnLButtonDown(keys, x, y);
    zone_ = ZoneAt(x, y);
    if (zone_ == kZoneNone) {
        POINT pt{x, y};
        MapWindowPoints(handle_, GetParent(handle_), &pt, 1);
        SendToSubscribers(kPicturePressed, static_cast<WPARAM>(GetId()), MAKELPARAM(pt.x, pt.y));
        return;
    }
    UpdateCursor(zone_);
    GetCursorPos(&start_);
    start_.x = x;
    start_.y = y;
    ClientToScreen(handle_, &start_);
    const RECT rc = ClientRect();
    start_width_ = rc.right;
    start_height_ = rc.bottom;
    dragging_ = true;
    SetCapture(handle_);
}

void LWndPicReszie::OnMouseMove(WPARAM keys, int x, int y) {
    LWnd::OnMouseMove(keys, x, y);
    if (!dragging_) {
        UpdateCursor(ZoneAt(x, y));
        return;
    }
    POINT pt{x, y};
    ClientToScreen(handle_, &pt);
    const int dx = pt.x - start_.x, dy = pt.y - start_.y;
    int w = start_width_, h = start_height_;
    if (zone_ & kZoneRight)
        w += dx;
    if (zone_ & kZoneLeft)
        w -= dx;
    if (zone_ & kZoneBottom)
        h += dy;
    if (zone_ & kZoneTop)
        h -= dy;
    w = std::max(w, min_width_);
    h = std::max(h, min_height_);
    // The picture keeps its place in the text: the frame grows from its top-left corner.
    RECT wr = WindowRect();
    MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&wr), 2);
    const RECT before = WindowRect();
    MoveWindow(handle_, wr.left, wr.top, w, h, FALSE);
    RECT both = WindowRect();
    UnionRect(&both, &both, &before);
    if (LWnd* top = GetTopLevel(); top && top->RedrawScreenRect(both.left, both.top, both.right, both.bottom))
        top->Present();
}

void LWndPicReszie::OnLButtonUp(WPARAM keys, int x, int y) {
    LWnd::OnLButtonUp(keys, x, y);
    if (!dragging_)
        return;
    dragging_ = false;
    ReleaseCapture();
    const RECT rc = ClientRect();
    if (rc.right != start_width_ || rc.bottom != start_height_)
        SendToSubscribers(kPictureResized, static_cast<WPARAM>(rc.right), static_cast<LPARAM>(rc.bottom));
}
