#include "toolkit/LWnd.h"

#include "toolkit/Toolkit.h"
#include "toolkit/ToolkitRegistry.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr BLENDFUNCTION kSourceOver{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
// Show commands under which a window counts as shown even while the platform reports it hidden.
constexpr int kShownCommands[] = {SW_SHOWNORMAL, SW_SHOWNOACTIVATE, SW_SHOW, SW_SHOWNA};

// The window's DC for one copy, given back on every path.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_)
            ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

LONG StyleOf(HWND h) {
    return GetWindowLongW(h, GWL_STYLE);
}
LONG ExStyleOf(HWND h) {
    return GetWindowLongW(h, GWL_EXSTYLE);
}

bool IsEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

RECT Union(const RECT& a, const RECT& b) {
    if (IsEmpty(a))
        return b;
    if (IsEmpty(b))
        return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

LPCWSTR SystemCursorOf(int type) {
    switch (type) {
    case kCursorMove:
        return IDC_SIZEALL;
    case kCursorSizeWE:
        return IDC_SIZEWE;
    case kCursorSizeNS:
        return IDC_SIZENS;
    case kCursorSizeNWSE:
        return IDC_SIZENWSE;
    case kCursorSizeNESW:
        return IDC_SIZENESW;
    case kCursorHand:
        return IDC_HAND;
    case kCursorText:
        return IDC_IBEAM;
    default:
        return IDC_ARROW;
    }
}

} // namespace

bool ToolkitPreTranslate(MSG* msg) {
    if (!msg)
        return false;
    LWnd* wnd = LWnd::FromHandle(msg->hwnd);
    return wnd && wnd->PreTranslateMessage(msg);
}

namespace {

HHOOK g_message_hook = nullptr;

// A consumed message is dispatched as WM_NULL.
LRESULT CALLBACK GetMessageHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && wp == PM_REMOVE) {
        MSG* msg = reinterpret_cast<MSG*>(lp);
        if (ToolkitPreTranslate(msg)) {
            msg->message = WM_NULL;
            msg->wParam = 0;
            msg->lParam = 0;
        }
    }
    return CallNextHookEx(g_message_hook, code, wp, lp);
}

} // namespace

bool InstallToolkitHook() {
    if (!g_message_hook)
        g_message_hook = SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
    return g_message_hook != nullptr;
}

void RemoveToolkitHook() {
    if (g_message_hook)
        UnhookWindowsHookEx(g_message_hook);
    g_message_hook = nullptr;
}

void ReleaseToolkitRegistry() {
    ToolkitRegistry& r = Registry();
    r.objects.clear();
    r.windows.clear();
    {
        std::lock_guard<std::mutex> lock(r.by_id_lock);
        r.by_id.clear();
    }
    r.focused = nullptr;
    r.pending_dialog = nullptr;
}

LWnd::LWnd() : cursor_(LoadCursorW(nullptr, IDC_ARROW)) {
    SetObjectName(L"LWnd");
}

LWnd::~LWnd() {
    ToolkitRegistry& r = Registry();
    HWND h = handle_;
    const bool bound = h && r.windows.count(h) && r.windows[h] == this;
    if (bound && IsWindow(h))
        DestroyWindow(h);
    {
        std::lock_guard<std::mutex> lock(r.by_id_lock);
        for (auto it = r.by_id.begin(); it != r.by_id.end();)
            it = it->second == this ? r.by_id.erase(it) : std::next(it);
    }
    if (bound)
        r.windows.erase(h);
    if (LWnd* parent = FromHandle(parent_handle_)) {
        auto& list = parent->children_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    if (r.focused == this)
        r.focused = nullptr;
    Detach();
}

// ---------------------------------------------------------------------------------------------
// Registries

LWnd* LWnd::FromHandle(HWND handle) {
    if (!handle)
        return nullptr;
    auto& windows = Registry().windows;
    auto it = windows.find(handle);
    return it == windows.end() ? nullptr : it->second;
}

LWnd* LWnd::FromId(int id) {
    ToolkitRegistry& r = Registry();
    std::lock_guard<std::mutex> lock(r.by_id_lock);
    auto it = r.by_id.find(id);
    return it == r.by_id.end() ? nullptr : it->second;
}

HWND LWnd::HandleFromId(int id) {
    ToolkitRegistry& r = Registry();
    std::lock_guard<std::mutex> lock(r.by_id_lock);
    auto it = r.by_id.find(id);
    return it == r.by_id.end() ? nullptr : it->second->handle_;
}

LWnd* LWnd::Focused() {
    return Registry().focused;
}

bool LWnd::Attach(int id, HWND handle) {
    if (!LObjectSub::Attach(id, handle))
        return false;
    ToolkitRegistry& r = Registry();
    {
        std::lock_guard<std::mutex> lock(r.by_id_lock);
        r.by_id.emplace(id_, this);
    }
    r.windows[handle] = this;
    if (StyleOf(handle) & WS_VISIBLE)
        show_state_ = SW_SHOW;
    return OnCreate();
}

bool LWnd::OnCreate() {
    if (StyleOf(handle_) & WS_CHILD) {
        parent_handle_ = GetParent(handle_);
        if (LWnd* parent = FromHandle(parent_handle_))
            parent->children_.push_back(this);
    }
    stored_rect_ = WindowRect();
    ToolkitRegistry& r = Registry();
    if (!r.update_layered) {
        if (HMODULE user32 = GetModuleHandleW(L"User32.DLL"))
            r.update_layered = reinterpret_cast<ToolkitRegistry::UpdateLayeredFn>(
                reinterpret_cast<void*>(GetProcAddress(user32, "UpdateLayeredWindow")));
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Message routing

LRESULT LWnd::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);

    // Phase 1: before default processing.
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(handle_, &ps);
        EndPaint(handle_, &ps);
        if (!IsLayered() && (StyleOf(handle_) & WS_POPUP))
            Present();
        return 1;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (FocusOnPress(x, y) != this)
            return 1;
        break;
    case WM_PARENTNOTIFY:
        if (LOWORD(wp) == WM_LBUTTONDOWN)
            return SendMessageW(handle_, WM_LBUTTONDOWN, 0, lp);
        break;
    case WM_MOUSEWHEEL:
        // Default processing would hand the wheel on to every parent as well; it goes to the focused
        // window exactly once instead.
        if (LWnd* f = Focused())
            f->OnMouseWheel(LOWORD(wp), static_cast<short>(HIWORD(wp)), x, y);
        return 0;
    default:
        if (LNotify::ReachesOnNotify(message))
            return OnNotify(message, wp, lp);
        break;
    }

    // Phase 2: the previous procedure, or the default one.
    LRESULT result = LObjectSub::WindowProc(message, wp, lp);

    // Phase 3: after default processing.
    switch (message) {
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_MOVE:
        OnMove(x, y);
        break;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
        break;
    case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE)
            OnKillFocus(FromHandle(reinterpret_cast<HWND>(lp)));
        break;
    case WM_SETFOCUS:
        OnSetFocus(FromHandle(reinterpret_cast<HWND>(wp)));
        break;
    case WM_SETCURSOR:
        SetCursorType(cursor_type_);
        return 1;
    case WM_MOUSEACTIVATE:
        OnMouseActivate(reinterpret_cast<HWND>(wp), LOWORD(lp), HIWORD(lp));
        break;
    case WM_CONTEXTMENU: {
        const POINT pt{x, y};
        for (LWnd* child : children_) {
            HWND ch = child->handle_;
            RECT rc;
            if (IsWindow(ch) && IsWindowVisible(ch) && IsWindowEnabled(ch) && GetWindowRect(ch, &rc) &&
                PtInRect(&rc, pt))
                return result;
        }
        OnContextMenu(reinterpret_cast<HWND>(wp), x, y);
        break;
    }
    case WM_KEYUP:
        OnKeyUp(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
        break;
    case WM_CHAR:
        if (wp == VK_ESCAPE)
            OnEscape();
        break;
    case WM_TIMER:
        OnTimer(wp);
        break;
    case WM_MOUSEMOVE:
        if (!hover_tracking_) {
            TRACKMOUSEEVENT tme{sizeof(tme), TME_HOVER | TME_LEAVE, handle_, kHoverTimeMs};
            if (TrackMouseEvent(&tme))
                hover_tracking_ = 1;
        }
        OnMouseMove(wp, x, y);
        break;
    case WM_LBUTTONDOWN:
        pressed_ = 1;
        SetCapture(handle_);
        OnLButtonDown(wp, x, y);
        break;
    case WM_LBUTTONUP: {
        LWnd* f = Focused();
        if (f && f != this && f->pressed_)
            return SendMessageW(f->handle_, WM_LBUTTONUP, wp, lp);
        ReleaseCapture();
        OnLButtonUp(wp, x, y);
        if (pressed_) {
            pressed_ = 0;
            if (std::abs(x - lpress_.x) <= click_tolerance_ && std::abs(y - lpress_.y) <= click_tolerance_)
                OnClick(wp, x, y);
        }
        break;
    }
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(wp, x, y);
        break;
    case WM_RBUTTONDOWN:
        OnRButtonDown(wp, x, y);
        break;
    case WM_RBUTTONUP:
        OnRButtonUp(wp, x, y);
        break;
    case WM_MOUSEHOVER:
        hover_tracking_ = 0;
        OnMouseHover(wp, x, y);
        break;
    case WM_MOUSELEAVE:
        hover_tracking_ = 0;
        OnMouseLeave();
        break;
    case LNotify::kTray:
        OnTrayNotify(wp, lp);
        break;
    default:
        break;
    }
    return result;
}

bool LWnd::PreTranslateMessage(MSG*) {
    return false;
}

// ---------------------------------------------------------------------------------------------
// Focus

LWnd* LWnd::FocusOnPress(int x, int y) {
    LWnd* top = GetTopLevel();
    if (!top)
        return this;
    POINT pt{x, y};
    ClientToScreen(handle_, &pt);
    LWnd* target = top->HitTest(pt.x, pt.y);
    if (!target)
        return this;
    LWnd* focused = Focused();
    if (target != focused) {
        if (focused)
            focused->OnKillFocus(target);
        target->SetFocusWnd();
    }
    return target;
}

LWnd* LWnd::HitTest(int x, int y) {
    const POINT pt{x, y};
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        LWnd* child = *it;
        HWND ch = child->handle_;
        if (!IsWindow(ch) || !child->IsShown() || (ExStyleOf(ch) & WS_EX_TRANSPARENT) || !IsWindowEnabled(ch))
            continue;
        RECT rc;
        if (GetWindowRect(ch, &rc) && PtInRect(&rc, pt))
            return child->HitTest(x, y);
    }
    return this;
}

void LWnd::SetFocusWnd() {
    Registry().focused = this;
    // Inside a submenu only the toolkit focus moves: activating its window would deactivate the
    // menu chain, and the platform may report that after the press has already been handled.
    if (LWnd* top = GetTopLevel(); top && top->IsSubmenu())
        return;
    SetActiveWindow(handle_);
    SetFocus(handle_);
}

bool LWnd::IsSubmenu() const {
    return false;
}

bool LWnd::OnKillFocus(LWnd* new_focus) {
    if (new_focus && companions_.count(new_focus))
        return false;
    LWnd* focused = Focused();
    if (focused && focused != this && Contains(focused))
        return focused->OnKillFocus(new_focus);
    return true;
}

void LWnd::RestoreFocus() {
    if (LWnd* f = Focused())
        f->SetFocusWnd();
}

bool LWnd::Contains(const LWnd* window) const {
    for (const LWnd* child : children_) {
        if (child == window || child->Contains(window))
            return true;
    }
    return false;
}

void LWnd::AddCompanion(LWnd* window, bool with_descendants) {
    if (!window)
        return;
    companions_.insert(window);
    if (with_descendants) {
        for (LWnd* child : window->children_)
            AddCompanion(child, true);
    }
}

// ---------------------------------------------------------------------------------------------
// Default handlers

void LWnd::RefreshIfOpaque() {
    if (!IsLayered())
        Present();
}
void LWnd::OnMouseMove(WPARAM, int, int) {}
void LWnd::OnRButtonUp(WPARAM, int, int) {}
void LWnd::OnRButtonDown(WPARAM, int x, int y) {
    rpress_ = POINT{x, y};
}
void LWnd::OnLButtonDown(WPARAM, int x, int y) {
    if (!IsResizing() && !IsMoving())
        mouse_flags_ |= kMouseLeftDown;
    lpress_ = POINT{x, y};
}
void LWnd::OnLButtonUp(WPARAM, int, int) {
    if (!IsResizing() && !IsMoving())
        mouse_flags_ &= ~kMouseLeftDown;
}
void LWnd::OnMouseHover(WPARAM, int, int) {
    if (!IsResizing() && !IsMoving())
        mouse_flags_ |= kMouseHover;
}
void LWnd::OnLButtonDblClk(WPARAM, int, int) {}
void LWnd::OnClick(WPARAM, int, int) {}
void LWnd::OnMouseLeave() {
    if (!IsMoving() && !IsResizing())
        mouse_flags_ &= ~kMouseHover;
}
void LWnd::OnSetFocus(LWnd*) {}
void LWnd::OnTimer(UINT_PTR) {}
void LWnd::OnTrayNotify(WPARAM, LPARAM) {}
void LWnd::OnKeyUp(UINT, int, int) {}
void LWnd::OnDestroy() {
    Detach();
}
void LWnd::OnContextMenu(HWND, int, int) {}
void LWnd::OnMouseActivate(HWND, int, int) {}
void LWnd::OnMouseWheel(int, int, int, int) {}
void LWnd::OnEscape() {}
LRESULT LWnd::OnNotify(UINT, WPARAM, LPARAM) {
    return 0;
}
void LWnd::SaveRect() {}
bool LWnd::IsResizing() {
    return cursor_type_ >= kCursorSizeWE && cursor_type_ <= kCursorSizeNESW;
}
bool LWnd::IsMoving() {
    return cursor_type_ == kCursorMove;
}
void LWnd::Enable(bool enable) {
    EnableWindow(handle_, enable ? TRUE : FALSE);
}

void LWnd::SetCursorType(int type) {
    cursor_type_ = type;
    cursor_ = LoadCursorW(nullptr, SystemCursorOf(type));
    SetCursor(cursor_);
}

bool LWnd::Show(int command) {
    show_state_ = command;
    return ShowWindow(handle_, command) != FALSE;
}

bool LWnd::IsShown() const {
    if (IsWindowVisible(handle_))
        return true;
    return std::find(std::begin(kShownCommands), std::end(kShownCommands), show_state_) !=
           std::end(kShownCommands);
}

void LWnd::ShowAndRefresh() {
    Show(SW_SHOW);
    if (Redraw())
        Present();
}

// ---------------------------------------------------------------------------------------------
// Geometry and tree

RECT LWnd::ClientRect() const {
    RECT rc{};
    GetClientRect(handle_, &rc);
    return rc;
}

RECT LWnd::WindowRect() const {
    RECT rc{};
    GetWindowRect(handle_, &rc);
    return rc;
}

LWnd* LWnd::GetTopLevel() {
    HWND h = handle_;
    while (h) {
        const LONG style = StyleOf(h);
        if ((style & WS_POPUP) || !(style & WS_CHILD))
            return FromHandle(h);
        HWND parent = GetParent(h);
        if (!parent)
            return FromHandle(h);
        h = parent;
    }
    return nullptr;
}

bool LWnd::IsLayered() const {
    HWND h = handle_;
    while (h && (StyleOf(h) & WS_CHILD)) {
        HWND parent = GetParent(h);
        if (!parent)
            break;
        h = parent;
    }
    return h && (ExStyleOf(h) & WS_EX_LAYERED);
}

LWnd* LWnd::GetParentWnd() const {
    if (!(StyleOf(handle_) & WS_CHILD))
        return nullptr;
    return FromHandle(GetParent(handle_));
}

void LWnd::GiveFocusToParent() {
    if (LWnd* parent = GetParentWnd()) {
        OnKillFocus(parent);
        parent->SetFocusWnd();
    } else {
        OnKillFocus(nullptr);
    }
}

RECT VirtualScreenRect() {
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

void LWnd::CenterOnCursorMonitor() {
    POINT cursor{};
    GetCursorPos(&cursor);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    if (!GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &mi))
        return;
    const RECT wr = WindowRect();
    const RECT& work = mi.rcWork;
    const int x = work.left + ((work.right - work.left) - (wr.right - wr.left)) / 2;
    const int y = work.top + ((work.bottom - work.top) - (wr.bottom - wr.top)) / 2;
    SetWindowPos(handle_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void LWnd::RefreshStoredRects() {
    for (LWnd* child : children_) {
        child->stored_rect_ = child->WindowRect();
        child->RefreshStoredRects();
    }
}

// ---------------------------------------------------------------------------------------------
// Subscriptions

void LWnd::Subscribe(UINT code, HWND handle) {
    subscriptions_.emplace(code, handle);
}

bool LWnd::SendToSubscribers(UINT code, WPARAM wp, LPARAM lp) {
    auto [first, last] = subscriptions_.equal_range(code);
    if (first == last)
        return false;
    bool all = true;
    for (auto it = first; it != last; ++it)
        all = SendMessageW(it->second, code, wp, lp) != 0 && all;
    return all;
}

void LWnd::PostToSubscribers(UINT code, WPARAM wp, LPARAM lp) {
    auto [first, last] = subscriptions_.equal_range(code);
    for (auto it = first; it != last; ++it)
        PostMessageW(it->second, code, wp, lp);
}

// ---------------------------------------------------------------------------------------------
// Move and size

void LWnd::OnMove(int, int) {
    const RECT now = WindowRect();
    if (SameRect(now, stored_rect_))
        return;
    const RECT old = stored_rect_;
    const bool same_size =
        now.right - now.left == old.right - old.left && now.bottom - now.top == old.bottom - old.top;
    LWnd* parent = (StyleOf(handle_) & WS_CHILD) ? GetParentWnd() : nullptr;
    if (!same_size) {
        // The new size is drawn by OnSize; only the place left behind is redrawn here.
        if (parent)
            parent->RedrawScreenRect(old.left, old.top, old.right, old.bottom);
        return;
    }
    stored_rect_ = now;
    RefreshStoredRects();
    if (parent) {
        // Both the place left behind and the new place change in the parent's picture.
        const RECT both = Union(old, now);
        if (parent->RedrawScreenRect(both.left, both.top, both.right, both.bottom))
            parent->Present();
    }
}

bool LWnd::OnSize(UINT, int, int) {
    const RECT now = WindowRect();
    if (SameRect(now, stored_rect_))
        return false;
    const RECT old = stored_rect_;
    stored_rect_ = now;
    const int dx = old.left - now.left, dy = old.top - now.top;
    if (dx != 0 || dy != 0) {
        // Children keep their place on the screen while the window grows or shrinks at its left or top.
        for (LWnd* child : children_) {
            HWND ch = child->handle_;
            if (!IsWindow(ch) || !(StyleOf(ch) & WS_CHILD))
                continue;
            RECT rc;
            GetWindowRect(ch, &rc);
            MapWindowPoints(nullptr, handle_, reinterpret_cast<POINT*>(&rc), 2);
            MoveWindow(ch, rc.left + dx, rc.top + dy, rc.right - rc.left, rc.bottom - rc.top, FALSE);
        }
    }
    if (!(StyleOf(handle_) & WS_CHILD))
        CreateBackBuffer();
    const RECT both = Union(old, now);
    if (!IsEmpty(both) && RedrawScreenRect(both.left, both.top, both.right, both.bottom))
        Present();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Painting

void LWnd::CreateBackBuffer() {
    if (StyleOf(handle_) & WS_CHILD)
        return;
    const RECT rc = ClientRect();
    back_buffer_ = CreateSurface(handle_, rc.right - rc.left, rc.bottom - rc.top, 0);
    screen_stale_ = true;
}

LSurface LWnd::RenderContent() {
    const RECT rc = ClientRect();
    return CreateSurface(handle_, rc.right, rc.bottom, 0);
}

LSurface LWnd::RenderContentRect(const RECT&, POINT& origin) {
    origin = POINT{0, 0};
    return RenderContent();
}

bool LWnd::DecoratesPresent() const {
    return false;
}

bool LWnd::Compose(HWND source, HWND target, LSurface& surface, int left, int top, int right, int bottom,
                   const LWndSet& excluded) {
    // 1. The rectangle in own client coordinates, cut to the client area.
    RECT own{left, top, right, bottom};
    MapWindowPoints(target, handle_, reinterpret_cast<POINT*>(&own), 2);
    const RECT client = ClientRect();
    RECT cut;
    if (!IntersectRect(&cut, &own, &client))
        return true;
    const int w = cut.right - cut.left, h = cut.bottom - cut.top;
    // 2. A work surface of the cut.
    LSurface work = CreateSurface(handle_, w, h, 0);
    if (!work)
        return false;
    // 3. Own picture.
    if (!excluded.count(this)) {
        POINT at{0, 0};
        LSurface picture = RenderContentRect(cut, at);
        if (!picture)
            return false;
        const int sx = cut.left - at.x, sy = cut.top - at.y;
        const int bw = std::min(w, picture.width() - sx);
        const int bh = std::min(h, picture.height() - sy);
        if (sx >= 0 && sy >= 0 && bw > 0 && bh > 0 && !work.BlendFrom(picture, 0, 0, sx, sy, bw, bh))
            return false;
    }
    // 4. Back into the target's coordinates.
    MapWindowPoints(handle_, target, reinterpret_cast<POINT*>(&cut), 2);
    // 5. Children from bottom to top.
    for (LWnd* child : children_) {
        if (excluded.count(child) || !IsWindow(child->handle_) || !child->IsShown() ||
            !(StyleOf(child->handle_) & WS_CHILD))
            continue;
        if (!child->Compose(source, target, work, cut.left, cut.top, cut.right, cut.bottom, excluded))
            return false;
    }
    // 6. Into the caller's surface.
    return surface.BlendFrom(work, cut.left - left, cut.top - top);
}

bool LWnd::RedrawRect(HWND source, const LWndSet& excluded, int left, int top, int right, int bottom) {
    LWnd* top_level = GetTopLevel();
    if (!top_level)
        return false;
    if (top_level != this)
        return top_level->RedrawRect(source, excluded, left, top, right, bottom);
    if (batch_ > 0) {
        batch_dirty_ = true;
        return false;
    }
    if (!back_buffer_)
        CreateBackBuffer();
    if (!back_buffer_)
        return false;
    RECT rc{left, top, right, bottom};
    MapWindowPoints(nullptr, handle_, reinterpret_cast<POINT*>(&rc), 2);
    // Only the part inside the back buffer can change.
    const RECT buffer{0, 0, back_buffer_.width(), back_buffer_.height()};
    if (!IntersectRect(&rc, &rc, &buffer))
        return false;
    LSurface work = CreateSurface(handle_, rc.right - rc.left, rc.bottom - rc.top, 0);
    if (!work)
        return false;
    if (!Compose(source, handle_, work, rc.left, rc.top, rc.right, rc.bottom, excluded))
        return false;
    // The rectangle is replaced, not blended.
    return BitBlt(back_buffer_.dc(), rc.left, rc.top, work.width(), work.height(), work.dc(), 0, 0,
                  SRCCOPY) != FALSE;
}

bool LWnd::RedrawScreenRect(int left, int top, int right, int bottom) {
    return RedrawRect(handle_, LWndSet{}, left, top, right, bottom);
}

bool LWnd::Redraw() {
    const RECT wr = WindowRect();
    return RedrawRect(handle_, LWndSet{}, wr.left, wr.top, wr.right, wr.bottom);
}

bool LWnd::RedrawWithout(LWnd* child) {
    if (!child)
        return false;
    const RECT wr = child->WindowRect();
    return RedrawRect(handle_, LWndSet{child}, wr.left, wr.top, wr.right, wr.bottom);
}

void LWnd::CopyBackBuffer(LSurface& surface) {
    if (back_buffer_)
        surface.BlendFrom(back_buffer_, 0, 0);
}

void LWnd::BeginBatch() {
    ++batch_;
}

void LWnd::EndBatch() {
    if (batch_ <= 0 || --batch_ > 0 || !batch_dirty_)
        return;
    batch_dirty_ = false;
    if (handle_ && IsWindow(handle_) && Redraw())
        Present();
}

void LWnd::Present() {
    PresentArea(handle_, ClientRect(), false);
}

void LWnd::PresentRect(HWND source, const RECT& rect) {
    PresentArea(source, rect, true);
}

void LWnd::PresentArea(HWND source, const RECT& rect, bool dirty_only) {
    LWnd* top_level = GetTopLevel();
    if (!top_level)
        return;
    if (top_level != this) {
        top_level->PresentArea(source, rect, dirty_only);
        return;
    }
    if (batch_ > 0) {
        batch_dirty_ = true;
        return;
    }
    if (IsLayered()) {
        if (!Registry().update_layered || !IsWindowVisible(handle_)) {
            screen_stale_ = true;
            return;
        }
        const RECT client = ClientRect();
        RECT dirty = rect;
        MapWindowPoints(source, handle_, reinterpret_cast<POINT*>(&dirty), 2);
        const bool inside = IntersectRect(&dirty, &dirty, &client) != FALSE;
        if (dirty_only && !screen_stale_ && !inside)
            return; // nothing of the window changed
        const bool whole = !dirty_only || screen_stale_ || SameRect(dirty, client);
        // The back buffer is pushed as it is unless the presented picture adds to it; then a copy.
        LSurface copy;
        HDC source_dc = nullptr;
        if (!DecoratesPresent() && back_buffer_ && back_buffer_.width() == client.right &&
            back_buffer_.height() == client.bottom) {
            source_dc = back_buffer_.dc();
        } else {
            copy = CreateSurface(handle_, client.right, client.bottom, 0);
            if (!copy)
                return;
            CopyBackBuffer(copy);
            source_dc = copy.dc();
        }
        const RECT wr = WindowRect();
        POINT pos{wr.left, wr.top};
        SIZE size{wr.right - wr.left, wr.bottom - wr.top};
        POINT origin{0, 0};
        BLENDFUNCTION blend = kSourceOver;
        UPDATELAYEREDWINDOWINFO info{};
        info.cbSize = sizeof(info);
        info.pptDst = &pos;
        info.psize = &size;
        info.hdcSrc = source_dc;
        info.pptSrc = &origin;
        info.pblend = &blend;
        info.dwFlags = ULW_ALPHA;
        // Only the dirty rectangle travels to the screen; the rest of the window keeps its pixels.
        info.prcDirty = whole ? nullptr : &dirty;
        screen_stale_ = UpdateLayeredWindowIndirect(handle_, &info) == FALSE;
        return;
    }
    if (!back_buffer_)
        return;
    RECT rc = rect;
    MapWindowPoints(source, handle_, reinterpret_cast<POINT*>(&rc), 2);
    WindowDC dc(handle_);
    if (dc.get())
        BitBlt(dc.get(), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, back_buffer_.dc(), rc.left,
               rc.top, SRCCOPY);
}

void LWnd::ClearLayered() {
    if (!IsWindowVisible(handle_))
        return;
    auto update = Registry().update_layered;
    const RECT wr = WindowRect();
    LSurface surface = CreateSurface(handle_, wr.right - wr.left, wr.bottom - wr.top, 0);
    if (!update || !surface)
        return;
    POINT pos{wr.left, wr.top};
    SIZE size{wr.right - wr.left, wr.bottom - wr.top};
    POINT origin{0, 0};
    BLENDFUNCTION blend = kSourceOver;
    update(handle_, nullptr, &pos, &size, surface.dc(), &origin, 0, &blend, ULW_ALPHA);
    screen_stale_ = true;
}
