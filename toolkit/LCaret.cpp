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

namespace {

// How many windows may lie between the caret and its owner before we stop looking and raise it.
constexpr int kStackLookLimit = 64;

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

RECT LCaret::LineRect(const RECT& own) const {
    const int width = own.right - own.left;
    // Only the part over the owner shows: a caret scrolled out of the edit is cut away.
    RECT over = own;
    if (owner_) {
        RECT owner_rect{};
        GetWindowRect(owner_, &owner_rect);
        if (!IntersectRect(&over, &own, &owner_rect))
            return RECT{};
    }
    const int x = std::max<int>(width - pen_width_, over.left - own.left);
    return RECT{x, over.top - own.top, width, over.bottom - own.top};
}

LSurface LCaret::RenderContent() {
    const RECT rc = ClientRect();
    LSurface s = CreateSurface(handle_, rc.right, rc.bottom, 0);
    drawn_ = RECT{};
    if (!s || !(blink_ & 1))
        return s;
    const RECT line = LineRect(WindowRect());
    if (line.right > line.left && line.bottom > line.top)
        s.FillRect(line.left, line.top, line.right - line.left, line.bottom - line.top, color_);
    drawn_ = line;
    return s;
}

bool LCaret::AboveOwner() const {
    HWND root = owner_ ? GetAncestor(owner_, GA_ROOT) : nullptr;
    if (!root)
        return true;
    if (!(GetWindowLongW(handle_, GWL_EXSTYLE) & WS_EX_TOPMOST))
        return false;
    // A window that is not top-most never rises above one that is; only a top-most note needs a look.
    if (!(GetWindowLongW(root, GWL_EXSTYLE) & WS_EX_TOPMOST))
        return true;
    HWND below = handle_;
    for (int i = 0; i < kStackLookLimit && below; ++i) {
        below = GetWindow(below, GW_HWNDNEXT);
        if (below == root)
            return true;
    }
    return false;
}

void LCaret::Place(int screen_x, int screen_y, int height, bool repaint) {
    if (!handle_)
        return;
    const RECT want{screen_x - pen_width_, screen_y, screen_x, screen_y + std::max(height, 1)};
    const RECT now = WindowRect();
    const bool same_size =
        want.right - want.left == now.right - now.left && want.bottom - want.top == now.bottom - now.top;
    // Top-most: an owned popup is not kept above its layered owner on every platform (Wine lets the
    // note cover it). Raising costs as much as the rest of a keystroke, so typing only moves it.
    // Hidden, the caret is fully transparent and lets the mouse through.
    const bool raise = repaint || !raised_ || !AboveOwner();
    if (raise || !SameRect(want, now)) {
        UINT flags = SWP_NOACTIVATE | SWP_NOREDRAW;
        if (!raise)
            flags |= SWP_NOZORDER;
        if (same_size)
            flags |= SWP_NOSIZE;
        SetWindowPos(handle_, HWND_TOPMOST, want.left, want.top, want.right - want.left,
                     want.bottom - want.top, flags);
        raised_ = raised_ || raise;
    }
    // A layered window keeps its pixels when it moves: the line is drawn again only when it changed.
    if (repaint && (blink_ & 1) && (!visible_ || !same_size || !SameRect(LineRect(want), drawn_)))
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
    raised_ = false;
    Repaint();
}

void LCaret::ShowCaret() {
    if (!handle_)
        return;
    // Already showing this very line (typing moves it along): only the blink starts over.
    const RECT wr = WindowRect();
    const LSurface& shown = BackBuffer();
    const bool unchanged = visible_ && (blink_ & 1) && shown.width() == wr.right - wr.left &&
                           shown.height() == wr.bottom - wr.top && SameRect(LineRect(wr), drawn_);
    blink_ = 1;
    if (!unchanged)
        Repaint();
    SetTimer(handle_, kBlinkTimer, kBlinkMs, nullptr);
}

void LCaret::OnTimer(UINT_PTR timer_id) {
    if (timer_id != kBlinkTimer)
        return;
    ++blink_;
    Repaint();
}
