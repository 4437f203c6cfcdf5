#pragma once
// The frame of the manager: a movable, resizable top-level window with a thin shadowed border, a
// caption strip that drags it and a close button that ends the dialog.
#include "manager/MxMiBt.h"
#include "toolkit/LWndMoveResize.h"

class MxMiCaption : public LWndMoveResize {
public:
    static constexpr int kBorder = 3;
    static constexpr int kCaptionHeight = 22;
    static constexpr int kCloseId = 20003;
    static constexpr int kCloseSide = 24;
    static constexpr int kCloseResult = 2;
    static constexpr int kMinWidth = 800, kMinHeight = 560;
    static constexpr uint32_t kPanelColor = 0xFFFFFFFF;
    static constexpr uint32_t kCaptionColor = 0xFFF8F8F8;

    MxMiCaption();

    bool OnSize(UINT type, int width, int height) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    LSurface RenderContent() override;
    bool OnCreate() override;
    void MoveResizeHitTest(int x, int y, const RECT& window_rect) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    RECT GetMinSizeRect() override;

    int CaptionHeight() const { return caption_height_; }
    MxMiBt& CloseButton() { return close_; }

protected:
    // Close, minimise and page buttons keep their place at the right edge.
    virtual void PlaceCaptionButtons();
    void RebuildFrame();

    int border_ = kBorder;
    int caption_height_ = kCaptionHeight;
    MxMiBt close_{L"closenormal.png", L"closehoverpushdown.png"};
    LSurface frame_;
};
