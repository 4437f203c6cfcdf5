#pragma once
// A white panel with a soft drop shadow around it, inside the window's own rectangle.
#include "toolkit/LWnd.h"

class LWndWithShadow : public LWnd {
public:
    static constexpr int kShadowWidth = 3;
    static constexpr uint32_t kShadowColor = 0xFF000000;
    static constexpr uint32_t kPanelColor = 0xFFFFFFFF;

    LWndWithShadow();

    bool OnCreate() override;
    bool OnSize(UINT type, int width, int height) override;
    LSurface RenderContent() override;
    virtual void BuildShadow();

    int GetShadowWidth() const { return shadow_width_; }

protected:
    int shadow_width_ = kShadowWidth;
    LSurface shadow_;
};

// The shadow and white panel of a client-sized surface, shared by the shadowed panels and menus.
LSurface BuildPanelWithShadow(HWND window, int shadow_width);
