#include "manager/MxMiBt.h"

#include "toolkit/MerlaDraw.h"

MxMiBt::MxMiBt(std::wstring picture, std::wstring hover_picture, std::wstring text)
    : picture_(std::move(picture)), hover_picture_(std::move(hover_picture)), text_(std::move(text)) {
    SetObjectName(L"MxMiBt");
}

bool MxMiBt::OnCreate() {
    const bool ok = LWndBt::OnCreate();
    if (!text_.empty())
        SetWindowTextW(handle_, text_.c_str());
    return ok;
}

void MxMiBt::SetPressed(bool on, uint32_t fill) {
    page_pressed_ = on;
    fill_ = fill;
}

LSurface MxMiBt::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (!s)
        return s;
    const int W = s.width(), H = s.height();
    const bool hot = (mouse_flags_ & (kMouseHover | kMouseLeftDown)) != 0;
    const std::wstring& picture = hot && !hover_picture_.empty() ? hover_picture_ : picture_;
    if (text_.empty()) {
        // Picture-only buttons are drawn by their two pictures alone.
        DrawPictureFile(ResPicture(picture), s, 0, 0, W, H);
        return s;
    }
    if (page_pressed_)
        s.Fill(fill_);
    else if (hot)
        s.Fill(kHoverFill);
    DrawPictureFile(ResPicture(page_pressed_ && !hover_picture_.empty() ? hover_picture_ : picture), s,
                    (W - kPictureSide) / 2, kPictureTop, kPictureSide, kPictureSide);
    const int ty = kPictureTop + kPictureSide + kTextGap;
    if (H - ty > 0) {
        const uint32_t color = page_pressed_ ? kPressedTextColor : kTextColor;
        auto format = MakeStringFormat(kAlignCenter, kAlignNear);
        LSurface text = DrawTextSurface(handle_, *format, text_, color, W, H - ty);
        BlendWithAlpha(s, text, 0, ty, static_cast<int>(color >> 24));
    }
    return s;
}
