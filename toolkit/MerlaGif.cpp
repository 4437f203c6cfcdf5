#include "toolkit/MerlaGif.h"

#include "toolkit/MerlaDraw.h"

#include <gdiplus.h>

namespace {
constexpr wchar_t kDeletePicture[] = L"delete.png";
constexpr int kFrameWidth = 1;
} // namespace

MerlaGif::MerlaGif() {
    SetObjectName(L"MerlaGif");
}

MerlaGif::~MerlaGif() {
    gif_.ClearPictures();
}

bool MerlaGif::OnCreate() {
    if (!name_.empty())
        gif_.AddPicture(folder_, name_, handle_);
    return LWnd::OnCreate();
}

void MerlaGif::OnDestroy() {
    gif_.ClearPictures();
    LWnd::OnDestroy();
}

void MerlaGif::SetPicture(const std::wstring& folder, const std::wstring& name) {
    gif_.ClearPictures();
    folder_ = folder;
    name_ = name;
    if (handle_ && !name_.empty())
        gif_.AddPicture(folder_, name_, handle_);
}

LRESULT MerlaGif::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LNotify::kGifFrame) {
        if (Redraw())
            Present();
        return 0;
    }
    return LWnd::WindowProc(message, wp, lp);
}

RECT MerlaGif::DeleteBox() const {
    const RECT rc = ClientRect();
    const int left = rc.right - kDeleteBoxInset - kDeleteBoxSize;
    return RECT{left, kDeleteBoxInset, left + kDeleteBoxSize, kDeleteBoxInset + kDeleteBoxSize};
}

void MerlaGif::OnMouseMove(WPARAM keys, int x, int y) {
    const RECT box = DeleteBox();
    SetCursorType(PtInRect(&box, POINT{x, y}) ? kCursorHand : kCursorNormal);
    LWnd::OnMouseMove(keys, x, y);
}

void MerlaGif::OnClick(WPARAM, int x, int y) {
    const RECT box = DeleteBox();
    if (!delete_offer_ || !PtInRect(&box, POINT{x, y}))
        return;
    gif_.RemovePicture(name_);
    PostMessageW(GetParent(handle_), kPictureDeleted, 0, 0);
    if (Redraw())
        Present();
}

LSurface MerlaGif::RenderContent() {
    const RECT rc = ClientRect();
    LSurface s = CreateSurface(handle_, rc.right, rc.bottom, 0);
    drawn_ = false;
    if (!s)
        return s;
    const std::wstring path = folder_ + name_;
    if (!name_.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        auto bitmap = s.MakeBitmap();
        Gdiplus::Graphics g(bitmap.get());
        drawn_ = gif_.DrawPicture(g, folder_, name_, 0, 0, rc.right, rc.bottom);
    }
    if (drawn_ && delete_offer_ && (mouse_flags_ & kMouseHover)) {
        const RECT box = DeleteBox();
        const int w = box.right - box.left, h = box.bottom - box.top;
        s.FillRect(box.left, box.top, w, kFrameWidth, kThemeColor);
        s.FillRect(box.left, box.bottom - kFrameWidth, w, kFrameWidth, kThemeColor);
        s.FillRect(box.left, box.top, kFrameWidth, h, kThemeColor);
        s.FillRect(box.right - kFrameWidth, box.top, kFrameWidth, h, kThemeColor);
        DrawPictureFile(ResPicture(kDeletePicture), s, box.left, box.top, w, h);
    }
    return s;
}
