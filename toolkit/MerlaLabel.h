#pragma once
// A line (or block) of text in the UI font, drawn over the whole client area.
#include "toolkit/LWnd.h"
#include "toolkit/MerlaDraw.h"

#include <cstdint>
#include <string>

class MerlaLabel : public LWnd {
public:
    static constexpr int kMaxText = 260;

    MerlaLabel();

    LSurface RenderContent() override;

    void SetAlignment(int alignment) { alignment_ = alignment; }
    void SetLineAlignment(int line_alignment) { line_alignment_ = line_alignment; }
    void SetColor(uint32_t argb) { color_ = argb; }
    uint32_t GetColor() const { return color_; }

protected:
    int alignment_ = kAlignNear;
    int line_alignment_ = kAlignCenter;
    uint32_t color_ = kDefaultTextColor;
};
