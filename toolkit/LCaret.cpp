#include "toolkit/LCaret.h"

#include <algorithm>

LCaret::LCaret() {
    SetObjectName(L"LCaret");
}

LCaret::~LCaret() {
    if (handle_ && IsWindow(handle_))
        KillTimer(handle_, kBlinkTimer);
}

bool LCaret::CreateFor(HWND owner) {
    owner_ = owner;
    HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    return Create(0, L"Caret", WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                  WS_POPUP, 0, 0, pen_width_, 1, top);
}

LSurface LCaret::RenderContent() {
    const RECT rc = ClientRect();
    LSurface s = CreateSurface(handle_, rc.right, rc.bottom, 0);
    if (!s || !(blink_ & 1))
        return s;
    // Only the part over the owner shows: a caret scrolled out of the edit is cut away.
    RECT own = WindowRect(), over = own;
    if (owner_) {
        RECT owner_rect{};
        GetWindowRect(owner_, &owner_rect);
        if (!IntersectRect(&over, &own, &owner_rect))
            return s;
    }
    const int x = std::max<int>(rc.right - pen_width_, over.left - own.left);
    s.FillRect(x, over.top - own.top, rc.right - x, over.bottom - over.top, color_);
    return s;
}

void LCaret::Place(int screen_x, int screen_y, int height, bool repaint) {
    if (!handle_)
        return;
    // Top-most: an owned popup is not kept above its layered owner on every platform (Wine lets the
    // note cover it). Hidden, the caret is fully transparent and lets the mouse through.
    SetWindowPos(handle_, HWND_TOPMOST, screen_x - pen_width_, screen_y, pen_width_, std::max(height, 1),
                 SWP_NOACTIVATE | SWP_NOREDRAW);
    if (repaint && (blink_ & 1))
        Repaint();
}

void LCaret::Repaint() {
    if (!handle_)
        return;
    if (!visible_) {
        Show(SW_SHOWNOACTIVATE);
        visible_ = true;
    }
    if (Redraw())
        Present();
}

void LCaret::Hide() {
    if (!handle_)
        return;
    KillTimer(handle_, kBlinkTimer);
    blink_ = 0;
    Repaint();
}

void LCaret::ShowCaret() {
    if (!handle_)
        return;
    blink_ = 1;
    Repaint();
    SetTimer(handle_, kBlinkTimer, kBlinkMs, nullptr);
}

void LCaret::OnTimer(UINT_PTR timer_id) {
    if (timer_id != kBlinkTimer)
        return;
    ++blink_;
    Repaint();
}
