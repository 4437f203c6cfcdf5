#include "toolkit/MerlaBt.h"

#include <gdiplus.h>

#include <algorithm>

namespace {

// The picture is drawn as high as the text less this much, in a box grown by the margin.
constexpr int kPictureShrink = 3;
constexpr int kPictureMargin = 2;
constexpr int kTextTop = 2;
constexpr int kCheckIndent = 3, kCheckBoxOffset = 2, kCheckTextGap = 4;

std::wstring WindowText(HWND h) {
    wchar_t buf[MerlaBt::kMaxText + 1] = {};
    GetWindowTextW(h, buf, MerlaBt::kMaxText + 1);
    return buf;
}

} // namespace

MerlaBt::MerlaBt(std::wstring picture, std::wstring text)
    : picture_(std::move(picture)), text_(std::move(text)) {
    SetObjectName(L"MerlaBt");
}

MerlaBt::MerlaBt(std::wstring picture, std::wstring text, int measure_alignment)
    : picture_(std::move(picture)), text_(std::move(text)), measure_alignment_(measure_alignment) {
    SetObjectName(L"MerlaBt");
}

bool MerlaBt::OnCreate() {
    const bool ok = LWndBt::OnCreate();
    if (!text_.empty())
        SetWindowTextW(handle_, text_.c_str());
    return ok;
}

void MerlaBt::SetButtonText(std::wstring text) {
    text_ = std::move(text);
    if (handle_)
        SetWindowTextW(handle_, text_.c_str());
}

void MerlaBt::OnClick(WPARAM keys, int x, int y) {
    if (toggle_)
        selected_ = !selected_;
    LWndBt::OnClick(keys, x, y);
}

void MerlaBt::MeasureLook(const std::wstring& text, int& text_width, int& picture_height) const {
    // A button without text still sizes its picture by one line of the UI font.
    const TextSize size =
        MeasureUiText(text.empty() ? std::wstring_view(L" ") : std::wstring_view(text), measure_alignment_);
    text_width = text.empty() ? 0 : static_cast<int>(size.width) + 1;
    picture_height = std::max(0, static_cast<int>(size.height) - kPictureShrink);
}

int MerlaBt::ScaledPictureWidth(int height) const {
    int w = 0, h = 0;
    if (picture_.empty() || height <= 0 || !PictureFileSize(ResPicture(picture_), w, h))
        return 0;
    return static_cast<int>(static_cast<double>(w) / h * height);
}

LSurface MerlaBt::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (!s)
        return s;
    const int W = s.width(), H = s.height();
    if ((mouse_flags_ & (kMouseHover | kMouseLeftDown)) || selected_)
        DrawHighlightBox(handle_, s, 0, 0, W, H);
    int tw = 0, ph = 0;
    MeasureLook(text_, tw, ph);
    const int pw = ScaledPictureWidth(ph);
    int px = 0, tx = 0;
    if (layout_ == kLayoutCentred) {
        px = (W - pw - tw) / 2;
        tx = px + pw;
    } else if (layout_ == kLayoutTextFirst) {
        px = tw;
        tx = 0;
    }
    picture_rect_ = RECT{px, (H - ph) / 2, px + pw, (H - ph) / 2 + ph};
    InflateRect(&picture_rect_, kPictureMargin, kPictureMargin);
    if (pw > 0)
        DrawPictureFile(ResPicture(picture_), s, picture_rect_.left, picture_rect_.top,
                        picture_rect_.right - picture_rect_.left, picture_rect_.bottom - picture_rect_.top);
    if (tw > 0 && H - kTextTop > 0) {
        auto format = MakeStringFormat(kAlignCenter, kAlignCenter);
        LSurface text = DrawTextSurface(handle_, *format, text_, text_color_, tw, H - kTextTop);
        BlendWithAlpha(s, text, tx + 1, kTextTop, static_cast<int>(text_color_ >> 24));
    }
    return s;
}

MerlaBtCheck::MerlaBtCheck(std::wstring picture) : MerlaBt(std::move(picture), {}) {
    SetObjectName(L"MerlaBtCheck");
}

LSurface MerlaBtCheck::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (!s)
        return s;
    const int W = s.width(), H = s.height();
    if (mouse_flags_ & (kMouseHover | kMouseLeftDown))
        DrawHighlightBox(handle_, s, 0, 0, W, H);
    const std::wstring text = WindowText(handle_);
    int tw = 0, ph = 0;
    MeasureLook(text, tw, ph);
    const int text_width = tw; // measured width + 1: the last glyph column is not cut
    const int bw = ScaledPictureWidth(ph);
    const int x0 = layout_ == kLayoutCentred ? (W - bw - text_width) / 2 + kCheckIndent : kCheckIndent;
    const int bx = x0 + kCheckBoxOffset, by = (H - ph) / 2 + 1;
    if (bw > 0 && ph > 0) {
        // The tick box: an outline in the theme colour, the tick picture inside when checked.
        s.FillRect(bx, by, bw, 1, kThemeColor);
        s.FillRect(bx, by + ph - 1, bw, 1, kThemeColor);
        s.FillRect(bx, by, 1, ph, kThemeColor);
        s.FillRect(bx + bw - 1, by, 1, ph, kThemeColor);
        if (checked_)
            DrawPictureFile(ResPicture(picture_), s, bx, by, bw, ph);
    }
    picture_rect_ = RECT{bx, by, bx + bw, by + ph};
    if (text_width > 0 && H - kTextTop > 0) {
        auto format = MakeStringFormat(kAlignCenter, kAlignCenter);
        LSurface surface =
            DrawTextSurface(handle_, *format, text, kDefaultTextColor, text_width, H - kTextTop);
        BlendWithAlpha(s, surface, x0 + bw + kCheckTextGap, kTextTop,
                       static_cast<int>(kDefaultTextColor >> 24));
    }
    return s;
}
