#include "toolkit/LWndWithShadow.h"

#include "toolkit/Shadow.h"

LSurface BuildPanelWithShadow(HWND window, int shadow_width) {
    RECT rc{};
    GetClientRect(window, &rc);
    LSurface s = CreateSurface(window, rc.right, rc.bottom, 0);
    if (!s)
        return s;
    const int w = rc.right - 2 * shadow_width, h = rc.bottom - 2 * shadow_width;
    if (w <= 0 || h <= 0)
        return s;
    MakeShadow(s, shadow_width, shadow_width, w, h, shadow_width, LWndWithShadow::kShadowColor);
    s.FillRect(shadow_width, shadow_width, w, h, LWndWithShadow::kPanelColor);
    return s;
}

LWndWithShadow::LWndWithShadow() {
    SetObjectName(L"LWndWithShadow");
}

bool LWndWithShadow::OnCreate() {
    const bool ok = LWnd::OnCreate();
    BuildShadow();
    return ok;
}

bool LWndWithShadow::OnSize(UINT type, int width, int height) {
    // The picture must match the new size before the base redraws.
    BuildShadow();
    return LWnd::OnSize(type, width, height);
}

void LWndWithShadow::BuildShadow() {
    shadow_ = BuildPanelWithShadow(handle_, shadow_width_);
}

LSurface LWndWithShadow::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (s && shadow_)
        s.BlendFrom(shadow_, 0, 0);
    return s;
}
