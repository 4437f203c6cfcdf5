#include "toolkit/MerlaScrollBar.h"

MerlaScrollBar::MerlaScrollBar(int orientation) : LWndScrollBar(orientation) {
    SetObjectName(L"MerlaScrollBar");
}

LSurface MerlaScrollBar::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (s && max_ - min_ > track_)
        s.FillRect(thumb_.left, thumb_.top, thumb_.right - thumb_.left, thumb_.bottom - thumb_.top,
                   thumb_color_);
    return s;
}
