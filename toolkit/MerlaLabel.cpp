#include "toolkit/MerlaLabel.h"

MerlaLabel::MerlaLabel() {
    SetObjectName(L"MerlaLabel");
}

LSurface MerlaLabel::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (!s)
        return s;
    wchar_t buf[kMaxText + 1] = {};
    const int n = GetWindowTextW(handle_, buf, kMaxText + 1);
    if (n <= 0)
        return s;
    const std::wstring_view text(buf, static_cast<size_t>(n));
    auto format = MakeTabbedFormat(text, alignment_, line_alignment_);
    LSurface picture = DrawTextSurface(handle_, *format, text, color_, s.width(), s.height());
    BlendWithAlpha(s, picture, 0, 0, static_cast<int>(kDefaultTextColor >> 24));
    return s;
}
