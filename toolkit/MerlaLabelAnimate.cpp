#include "toolkit/MerlaLabelAnimate.h"

#include <algorithm>
#include <cmath>

MerlaLabelAnimate::MerlaLabelAnimate() {
    SetObjectName(L"MerlaLabelAnimate");
}

std::wstring MerlaLabelAnimate::Text() const {
    wchar_t buf[kMaxText + 1] = {};
    const int n = handle_ ? GetWindowTextW(handle_, buf, kMaxText + 1) : 0;
    return std::wstring(buf, static_cast<size_t>(std::max(n, 0)));
}

void MerlaLabelAnimate::StartScrolling() {
    const RECT rc = ClientRect();
    // Rounded up, so the last glyph is off the left edge before the text comes round again.
    const int text_width = static_cast<int>(std::ceil(MeasureUiText(Text(), kAlignNear).width));
    travel_ = text_width + (rc.right - rc.left);
    elapsed_ms_ = 0;
    offset_ = 0;
    scrolling_ = true;
    if (handle_)
        SetTimer(handle_, kScrollTimer, kScrollTickMs, nullptr);
}

void MerlaLabelAnimate::StopScrolling() {
    if (handle_)
        KillTimer(handle_, kScrollTimer);
    scrolling_ = false;
    elapsed_ms_ = 0;
    offset_ = 0;
}

void MerlaLabelAnimate::Step(int ms) {
    elapsed_ms_ += ms;
    const double part = static_cast<double>(elapsed_ms_) / kScrollCycleMs;
    const int offset = std::min(travel_, static_cast<int>(part * travel_));
    if (offset != offset_) {
        offset_ = offset;
        if (handle_ && IsWindow(handle_) && Redraw())
            Present();
    }
    if (offset_ >= travel_)
        elapsed_ms_ = 0;
}

void MerlaLabelAnimate::OnTimer(UINT_PTR timer_id) {
    if (timer_id == kScrollTimer) {
        Step(static_cast<int>(kScrollTickMs));
        return;
    }
    MerlaLabel::OnTimer(timer_id);
}

void MerlaLabelAnimate::OnDestroy() {
    StopScrolling();
    MerlaLabel::OnDestroy();
}

LSurface MerlaLabelAnimate::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (!s)
        return s;
    const std::wstring text = Text();
    if (text.empty())
        return s;
    const int text_width = static_cast<int>(std::ceil(MeasureUiText(text, kAlignNear).width));
    if (text_width <= 0)
        return s;
    auto format = MakeTabbedFormat(text, alignment_, line_alignment_);
    format->SetFormatFlags(format->GetFormatFlags() | Gdiplus::StringFormatFlagsNoWrap);
    LSurface picture = DrawTextSurface(handle_, *format, text, color_, text_width, s.height());
    // Placed on a client-sized line first: that blend clips the part beyond either edge.
    LSurface line(s.width(), s.height());
    line.BlendFrom(picture, s.width() - offset_, 0);
    BlendWithAlpha(s, line, 0, 0, static_cast<int>(kDefaultTextColor >> 24));
    return s;
}
