#pragma once
// A colour button of the font bar: the button's picture with a strip of its colour along the bottom.
#include "toolkit/MerlaBt.h"

#include <cstdint>

class MerlaBtBKC : public MerlaBt {
public:
    static constexpr int kStripHeight = 5;
    static constexpr int kStripInset = 3;  // from the left and right edges
    static constexpr int kStripBottom = 1; // kept free below the strip

    explicit MerlaBtBKC(std::wstring picture = {});

    LSurface RenderContent() override;

    void SetColor(uint32_t argb) { color_ = argb; }
    uint32_t GetColor() const { return color_; }

private:
    uint32_t color_ = kDefaultTextColor;
    int strip_height_ = kStripHeight;
};
