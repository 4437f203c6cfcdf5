#include "manager/MxMiCaption.h"

#include "toolkit/Shadow.h"
#include "toolkit/UiLook.h"

namespace {
constexpr uint32_t kShadowColor = 0xFF000000;
} // namespace

MxMiCaption::MxMiCaption() {
    SetObjectName(L"MxMiCaption");
    movable_ = 1;
    dragging_enabled_ = 1;
    edges_enabled_ = 1;
}

bool MxMiCaption::OnCreate() {
    const bool ok = LWndMoveResize::OnCreate();
    const RECT rc = ClientRect();
    close_.Create(kCloseId, L"", 0, WS_CHILD | WS_VISIBLE, rc.right - border_ - kCloseSide, border_,
                  kCloseSide, kCloseSide, handle_);
    RebuildFrame();
    return ok;
}

void MxMiCaption::PlaceCaptionButtons() {
    if (!close_.GetHandle())
        return;
    const RECT rc = ClientRect();
    MoveWindow(close_.GetHandle(), rc.right - border_ - kCloseSide, border_, kCloseSide, kCloseSide, FALSE);
}

bool MxMiCaption::OnSize(UINT type, int width, int height) {
    RebuildFrame();
    PlaceCaptionButtons();
    return LWndMoveResize::OnSize(type, width, height);
}

void MxMiCaption::RebuildFrame() {
    const RECT rc = ClientRect();
    frame_ = CreateSurface(handle_, rc.right, rc.bottom, 0);
    if (!frame_)
        return;
    const int iw = rc.right - 2 * border_, ih = rc.bottom - 2 * border_;
    if (iw <= 0 || ih <= 0)
        return;
    MakeShadow(frame_, border_, border_, iw, ih, border_, kShadowColor);
    frame_.FillRect(border_, border_, iw, ih, kPanelColor);
    frame_.FillRect(border_, border_, iw, caption_height_, kCaptionColor);
    frame_.FillRect(border_, border_, iw, 1, kThemeColor);
}

LSurface MxMiCaption::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (s && frame_)
        s.BlendFrom(frame_, 0, 0);
    return s;
}

LRESULT MxMiCaption::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LNotify::kButtonClicked && static_cast<int>(wp) == kCloseId) {
        if (IsModal())
            EndDialog(handle_, kCloseResult);
        else
            DestroyWindow(handle_);
        return 0;
    }
    return LWndMoveResize::OnNotify(message, wp, lp);
}

void MxMiCaption::MoveResizeHitTest(int x, int y, const RECT& wr) {
    LWndMoveResize::MoveResizeHitTest(x, y, wr);
    // Inside the edges, the caption strip drags the window.
    const POINT pt{x, y};
    const RECT strip{wr.left + border_, wr.top + border_, wr.right - border_,
                     wr.top + border_ + caption_height_};
    if (sizing_edges_ == 0 && pressed_ && PtInRect(&strip, pt))
        SetCursorType(kCursorMove);
}

void MxMiCaption::OnLButtonUp(WPARAM keys, int x, int y) {
    LWndMoveResize::OnLButtonUp(keys, x, y);
    SetCursorType(kCursorNormal);
    HideMoveFrame();
}

RECT MxMiCaption::GetMinSizeRect() {
    const RECT wr = WindowRect();
    return RECT{wr.right - kMinWidth, wr.bottom - kMinHeight, wr.left + kMinWidth, wr.top + kMinHeight};
}
