#include "toolkit/LWndMoveResize.h"

#include "toolkit/Toolkit.h"
#include "toolkit/UiLook.h"

#include <algorithm>

namespace {

HWND g_move_frame = nullptr;
LWnd* g_move_frame_owner = nullptr;

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool CreateMoveFrame() {
    HINSTANCE instance = ToolkitInstance();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(instance, LWndMoveResize::kMoveFrameClass, &wc)) {
        wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = LWndMoveResize::kMoveFrameClass;
        if (!RegisterClassExW(&wc))
            return false;
    }
    g_move_frame = CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, LWndMoveResize::kMoveFrameClass, L"",
                                   WS_POPUP, 0, 0, 0, 0, LWnd::HandleFromId(LWndMoveResize::kMainWindowId),
                                   nullptr, instance, nullptr);
    return g_move_frame != nullptr;
}

} // namespace

LWndMoveResize::LWndMoveResize() {
    SetObjectName(L"LWndMoveResize");
}

HWND LWndMoveResize::MoveFrame() {
    return g_move_frame;
}

bool LWndMoveResize::MoveFrameVisible() {
    return g_move_frame && IsWindowVisible(g_move_frame);
}

RECT LWndMoveResize::MoveFrameRect() {
    RECT rc{};
    if (g_move_frame)
        GetWindowRect(g_move_frame, &rc);
    return rc;
}

LWnd* LWndMoveResize::MoveFrameOwner() {
    return g_move_frame_owner;
}

void LWndMoveResize::HideMoveFrame() {
    if (g_move_frame)
        ShowWindow(g_move_frame, SW_HIDE);
}

bool LWndMoveResize::OnCreate() {
    const bool ok = LWnd::OnCreate();
    if (!g_move_frame || !IsWindow(g_move_frame))
        CreateMoveFrame();
    return ok;
}

int LWndMoveResize::LoadRect() {
    return 0;
}

uint32_t LWndMoveResize::GetFrameColor() {
    return kThemeColor;
}

RECT LWndMoveResize::CurrentOutline() const {
    if (MoveFrameVisible() && g_move_frame_owner == this)
        return MoveFrameRect();
    return WindowRect();
}

void LWndMoveResize::MoveResizeHitTest(int x, int y, const RECT& wr) {
    const POINT pt{x, y};
    if (drag_active_ || !PtInRect(&wr, pt))
        return;
    sizing_edges_ = 0;
    int cursor = kCursorNormal;
    if (edges_enabled_) {
        const int e = edge_width_;
        const bool left = x < wr.left + e, right = x >= wr.right - e;
        const bool top = y < wr.top + e, bottom = y >= wr.bottom - e;
        if ((left && top) || (right && bottom)) {
            sizing_edges_ = left ? kEdgeLeft | kEdgeTop : kEdgeRight | kEdgeBottom;
            cursor = kCursorSizeNWSE;
        } else if ((right && top) || (left && bottom)) {
            sizing_edges_ = right ? kEdgeRight | kEdgeTop : kEdgeLeft | kEdgeBottom;
            cursor = kCursorSizeNESW;
        } else if (left || right) {
            sizing_edges_ = left ? kEdgeLeft : kEdgeRight;
            cursor = kCursorSizeWE;
        } else if (top || bottom) {
            sizing_edges_ = top ? kEdgeTop : kEdgeBottom;
            cursor = kCursorSizeNS;
        }
    }
    SetCursorType(cursor);
}

void LWndMoveResize::OnMouseHover(WPARAM keys, int x, int y) {
    LWnd::OnMouseHover(keys, x, y);
    if (!pressed_) {
        POINT pt{x, y};
        ClientToScreen(handle_, &pt);
        MoveResizeHitTest(pt.x, pt.y, WindowRect());
    }
}

void LWndMoveResize::OnLButtonDown(WPARAM keys, int x, int y) {
    LWnd::OnLButtonDown(keys, x, y);
    if (!dragging_enabled_)
        return;
    POINT pt{x, y};
    ClientToScreen(handle_, &pt);
    drag_point_ = pt;
    SetCapture(handle_);
    drag_active_ = false;
    MoveResizeHitTest(pt.x, pt.y, WindowRect());
    drag_active_ = true;
}

RECT LWndMoveResize::GetDragBounds() {
    RECT bounds{};
    if (LWnd* parent = (GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD) ? GetParentWnd() : nullptr) {
        bounds = parent->WindowRect();
    } else {
        bounds = VirtualScreenRect();
    }
    InflateRect(&bounds, -1, -1);
    return bounds;
}

void LWndMoveResize::OnMouseMove(WPARAM keys, int x, int y) {
    LWnd::OnMouseMove(keys, x, y);
    if (!dragging_enabled_ || !pressed_ || Focused() != this)
        return;
    POINT pt{x, y};
    ClientToScreen(handle_, &pt);
    if (pt.x == drag_point_.x && pt.y == drag_point_.y)
        return;
    const RECT bounds = GetDragBounds();
    if (bounds.right > bounds.left && bounds.bottom > bounds.top) {
        pt.x = std::clamp(pt.x, bounds.left, bounds.right);
        pt.y = std::clamp(pt.y, bounds.top, bounds.bottom);
    }
    if (IsMoving()) {
        RECT rc = CurrentOutline();
        OffsetRect(&rc, pt.x - drag_point_.x, pt.y - drag_point_.y);
        ShowMoveFrame(this, rc);
        drag_point_ = pt;
    } else if (IsResizing()) {
        bool changed = false;
        RECT rc{};
        ResizeStep(pt.x, pt.y, sizing_edges_, changed, rc);
    }
}

RECT LWndMoveResize::GetMinSizeRect() {
    const int m = UiLineHeight();
    const RECT wr = WindowRect();
    return RECT{wr.right - m, wr.bottom - m, wr.left + m, wr.top + m};
}

void LWndMoveResize::ResizeStep(int x, int y, int edges, bool& changed, RECT& rect) {
    const RECT limits = GetMinSizeRect();
    const RECT before = CurrentOutline();
    rect = before;
    const int dx = x - drag_point_.x, dy = y - drag_point_.y;
    // An edge stopped by its limit keeps the unapplied movement in the drag point, so it only moves
    // again once the pointer is back where the edge stopped.
    int applied_x = dx, applied_y = dy;
    if (edges & kEdgeLeft) {
        int edge = rect.left + dx;
        if (dx > 0 && edge > limits.left)
            edge = std::max<int>(rect.left, limits.left);
        applied_x = edge - rect.left;
        rect.left = edge;
    } else if (edges & kEdgeRight) {
        int edge = rect.right + dx;
        if (dx < 0 && edge < limits.right)
            edge = std::min<int>(rect.right, limits.right);
        applied_x = edge - rect.right;
        rect.right = edge;
    }
    if (edges & kEdgeTop) {
        int edge = rect.top + dy;
        if (dy > 0 && edge > limits.top)
            edge = std::max<int>(rect.top, limits.top);
        applied_y = edge - rect.top;
        rect.top = edge;
    } else if (edges & kEdgeBottom) {
        int edge = rect.bottom + dy;
        if (dy < 0 && edge < limits.bottom)
            edge = std::min<int>(rect.bottom, limits.bottom);
        applied_y = edge - rect.bottom;
        rect.bottom = edge;
    }
    drag_point_.x += applied_x;
    drag_point_.y += applied_y;
    changed = !SameRect(rect, before);
    ShowMoveFrame(this, rect);
}

LSurface LWndMoveResize::DrawMoveFrame(int left, int top, int right, int bottom) {
    const int w = right - left, h = bottom - top;
    LSurface s = CreateSurface(handle_, w, h, 0);
    if (!s)
        return s;
    const uint32_t color = GetFrameColor();
    s.FillRect(0, 0, w, 1, color);
    s.FillRect(0, h - 1, w, 1, color);
    s.FillRect(0, 0, 1, h, color);
    s.FillRect(w - 1, 0, 1, h, color);
    return s;
}

void LWndMoveResize::ShowMoveFrame(LWnd* owner, const RECT& rect) {
    if (!g_move_frame)
        return;
    const bool hidden = !IsWindowVisible(g_move_frame);
    if (rect.right > rect.left && rect.bottom > rect.top && (hidden || !SameRect(rect, MoveFrameRect()))) {
        const int w = rect.right - rect.left, h = rect.bottom - rect.top;
        MoveWindow(g_move_frame, rect.left, rect.top, w, h, FALSE);
        LSurface frame = DrawMoveFrame(rect.left, rect.top, rect.right, rect.bottom);
        if (frame) {
            POINT pos{rect.left, rect.top}, origin{0, 0};
            SIZE size{w, h};
            BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(GetFrameColor() >> 24), AC_SRC_ALPHA};
            UpdateLayeredWindow(g_move_frame, nullptr, &pos, &size, frame.dc(), &origin, 0, &blend,
                                ULW_ALPHA);
        }
        if (hidden) {
            ShowWindow(g_move_frame, SW_SHOWNOACTIVATE);
            SetWindowPos(g_move_frame, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    g_move_frame_owner = owner;
}

void LWndMoveResize::OnLButtonUp(WPARAM keys, int x, int y) {
    LWnd::OnLButtonUp(keys, x, y);
    drag_active_ = false;
    if (!dragging_enabled_)
        return;
    ReleaseCapture();
    if (MoveFrameVisible() && g_move_frame_owner == this) {
        RECT rc = MoveFrameRect();
        if (!SameRect(rc, WindowRect())) {
            if (GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD)
                MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&rc), 2);
            MoveWindow(handle_, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
            SaveRect();
        }
    }
    HideMoveFrame();
}

void LWndMoveResize::OnMouseLeave() {
    LWnd::OnMouseLeave();
    // A drag that leaves the window keeps its outline.
    if (!pressed_ && MoveFrameVisible() && g_move_frame_owner == this)
        HideMoveFrame();
    if (!pressed_ && cursor_type_ != kCursorNormal)
        SetCursorType(kCursorNormal);
}
