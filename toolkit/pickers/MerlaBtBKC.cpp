#include "toolkit/pickers/MerlaBtBKC.h"

MerlaBtBKC::MerlaBtBKC(std::wstring picture) : MerlaBt(std::move(picture), {}) {
    SetObjectName(L"MerlaBtBKC");
}

LSurface MerlaBtBKC::RenderContent() {
    LSurface s = MerlaBt::RenderContent();
    if (!s)
        return s;
    const int w = s.width() - 2 * kStripInset;
    const int top = s.height() - kStripBottom - strip_height_;
    if (w > 0 && top >= 0)
        s.FillRect(kStripInset, top, w, strip_height_, color_);
    return s;
}
