#include "toolkit/MerlaCaption.h"

#include "toolkit/Shadow.h"

#include <gdiplus.h>

namespace {

constexpr uint32_t kShadowColor = 0xFF000000;
constexpr uint32_t kPanelColor = 0xFFFFFFFF;
constexpr int kTitleIndent = 7;
constexpr int kTitleIconAdvance = 22;
// The title box ends this far before the right edge, clear of the close button.
constexpr int kTitleRightReserve = 50;

} // namespace

MerlaCaption::MerlaCaption(int width, int height)
    : caption_height_(GetSystemMetrics(SM_CYCAPTION)), window_width_(width + 2 * kMargin),
      window_height_(height + 2 * kMargin), close_(L"close.png") {
    SetObjectName(L"MerlaCaption");
    // Moved by the caption strip only, never resized.
    movable_ = 1;
    dragging_enabled_ = 1;
    edges_enabled_ = 0;
}

bool MerlaCaption::OnCreate() {
    const bool ok = LWndMoveResize::OnCreate();
    // A dialog made from the shared template comes with the template's size.
    const RECT wr = WindowRect();
    if (wr.right - wr.left != window_width_ || wr.bottom - wr.top != window_height_)
        SetWindowPos(handle_, nullptr, 0, 0, window_width_, window_height_,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    if (!title_.empty())
        SetWindowTextW(handle_, title_.c_str());
    const RECT rc = ClientRect();
    // Right-aligned by its own width, as after a resize: a caption lower than the button would
    // otherwise push it past the panel.
    close_.Create(kCloseId, L"", 0, WS_CHILD | WS_VISIBLE, rc.right - margin_ - kCloseSide, margin_,
                  kCloseSide, kCloseSide, handle_);
    Rebuild();
    SetForegroundWindow(handle_);
    return ok;
}

bool MerlaCaption::OnSize(UINT type, int width, int height) {
    // The frame must match the new size before the base redraws.
    Rebuild();
    const bool result = LWndMoveResize::OnSize(type, width, height);
    if (close_.GetHandle()) {
        const RECT rc = ClientRect();
        const RECT br = close_.ClientRect();
        MoveWindow(close_.GetHandle(), rc.right - br.right - margin_, margin_, br.right, br.bottom, FALSE);
        if (close_.Redraw())
            close_.Present();
    }
    return result;
}

void MerlaCaption::Rebuild() {
    const RECT rc = ClientRect();
    frame_ = CreateSurface(handle_, rc.right, rc.bottom, 0);
    if (frame_)
        BuildFrame(frame_);
}

void MerlaCaption::BuildFrame(LSurface& frame) {
    const int W = frame.width(), H = frame.height();
    const int iw = W - 2 * margin_, ih = H - 2 * margin_;
    if (iw <= 0 || ih <= 0)
        return;
    MakeShadow(frame, margin_, margin_, iw, ih, margin_, kShadowColor);
    frame.FillRect(margin_, margin_, iw, ih, kPanelColor);
    frame.FillRect(margin_, margin_, iw, 1, kThemeColor);
    int x = margin_ + kTitleIndent;
    if (!title_icon_.empty() &&
        DrawPictureFile(ResPicture(title_icon_), frame, x, margin_ + (caption_height_ - kTitleIconSide) / 2,
                        kTitleIconSide, kTitleIconSide))
        x += kTitleIconAdvance;
    if (!title_.empty()) {
        const int tw = W - margin_ - kTitleRightReserve;
        auto format = MakeStringFormat(kAlignNear, kAlignCenter);
        LSurface text = DrawTextSurface(handle_, *format, title_, kDefaultTextColor, tw, caption_height_);
        BlendWithAlpha(frame, text, x, margin_, static_cast<int>(kDefaultTextColor >> 24));
    }
}

LSurface MerlaCaption::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (s && frame_)
        s.BlendFrom(frame_, 0, 0);
    return s;
}

void MerlaCaption::MoveResizeHitTest(int x, int y, const RECT& wr) {
    const POINT pt{x, y};
    const RECT strip{wr.left, wr.top, wr.right, wr.top + caption_height_};
    if (pressed_ && PtInRect(&strip, pt)) {
        sizing_edges_ = 0;
        SetCursorType(kCursorMove);
        return;
    }
    if (edges_enabled_)
        LWndMoveResize::MoveResizeHitTest(x, y, wr);
}

void MerlaCaption::OnLButtonUp(WPARAM keys, int x, int y) {
    LWndMoveResize::OnLButtonUp(keys, x, y);
    SetCursorType(kCursorNormal);
    HideMoveFrame();
}

LRESULT MerlaCaption::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LNotify::kButtonClicked && static_cast<int>(wp) == kCloseId) {
        Close();
        return 0;
    }
    return LWndMoveResize::OnNotify(message, wp, lp);
}

void MerlaCaption::Close() {
    if (IsModal())
        EndDialog(handle_, IDCANCEL);
    else
        DestroyWindow(handle_);
}

void MerlaCaption::PlaceOverParent(int vertical_divisor) {
    RECT area{};
    HWND parent = GetParent(handle_);
    if (!parent)
        parent = GetWindow(handle_, GW_OWNER);
    if (parent && IsWindow(parent)) {
        GetWindowRect(parent, &area);
    } else {
        POINT cursor{};
        GetCursorPos(&cursor);
        MONITORINFO mi{};
        mi.cbSize = sizeof(mi);
        if (!GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &mi))
            return;
        area = mi.rcWork;
    }
    const RECT wr = WindowRect();
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    const int x = area.left + ((area.right - area.left) - w) / 2;
    const int y = area.top + ((area.bottom - area.top) - h) / vertical_divisor;
    MoveWindow(handle_, x, y, w, h, FALSE);
}
