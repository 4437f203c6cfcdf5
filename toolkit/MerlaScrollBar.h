#pragma once
// The application's scroll bar: nothing but the thumb, and only while there is something to scroll.
#include "toolkit/LWndScrollBar.h"

class MerlaScrollBar : public LWndScrollBar {
public:
    explicit MerlaScrollBar(int orientation);

    LSurface RenderContent() override;

    uint32_t GetThumbColor() const { return thumb_color_; }
};
