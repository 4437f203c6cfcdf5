#include "toolkit/pickers/PickerPopup.h"

#include "toolkit/ToolkitRegistry.h"

#include <windowsx.h>

void TakeQuietFocus(LWnd& window) {
    Registry().focused = &window;
}

void QuietFocusOnPress(LWnd& receiver, LPARAM point) {
    LWnd* top = receiver.GetTopLevel();
    if (!top)
        return;
    POINT pt{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    ClientToScreen(receiver.GetHandle(), &pt);
    LWnd* target = top->HitTest(pt.x, pt.y);
    LWnd* focused = LWnd::Focused();
    if (!target || target == focused)
        return;
    if (focused)
        focused->OnKillFocus(target);
    TakeQuietFocus(*target);
}

void ReportFocusLoss(LWnd& window, LWnd* new_focus) {
    if (LWnd* top = window.GetTopLevel(); top && top != &window)
        SendMessageW(top->GetHandle(), kPopupFocusLost, 0,
                     reinterpret_cast<LPARAM>(new_focus ? new_focus->GetHandle() : nullptr));
}

void ScheduleFocusCheck(LWnd& window) {
    if (LWnd* top = window.GetTopLevel())
        PostMessageW(top->GetHandle(), kPopupFocusCheck, 0, 0);
}

void PickerPopup::Open(int x, int y, int width, int height) {
    HWND h = window_.GetHandle();
    // Sized where it is, then moved: a window whose top-left corner moves while its size changes is
    // being resized from that corner, and its children would keep their place on the screen.
    const RECT now = window_.WindowRect();
    if (now.right - now.left != width || now.bottom - now.top != height)
        SetWindowPos(h, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(h, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    window_.Show(SW_SHOWNOACTIVATE);
    open_ = true;
    if (window_.Redraw())
        window_.Present();
    LWnd* before = LWnd::Focused();
    if (before && before != &window_)
        before->OnKillFocus(&window_);
    TakeQuietFocus(window_);
}

void PickerPopup::Close() {
    if (!open_)
        return;
    open_ = false;
    // Wine keeps showing a layered window hidden while it is being deactivated; an empty picture
    // first makes it vanish either way.
    window_.ClearLayered();
    window_.Show(SW_HIDE);
}

bool PickerPopup::CloseUnlessInside(LWnd* new_focus) {
    if (!open_ || (new_focus && (new_focus == &window_ || window_.Contains(new_focus))))
        return false;
    Close();
    return true;
}

bool PickerPopup::Handle(UINT message, WPARAM wp, LPARAM lp, bool& closed, LWnd*& new_focus) {
    switch (message) {
    case kPopupFocusLost:
        new_focus = LWnd::FromHandle(reinterpret_cast<HWND>(lp));
        break;
    case kPopupFocusCheck:
        new_focus = LWnd::Focused();
        break;
    case WM_ACTIVATEAPP:
        // Another program took over: nothing of ours has the focus any more.
        if (wp)
            return false;
        new_focus = nullptr;
        break;
    default:
        return false;
    }
    closed = CloseUnlessInside(new_focus);
    return true;
}
