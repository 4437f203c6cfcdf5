#pragma once
// The frame laid over a selected picture of a rich edit. Its corners and edges are grab zones; a
// drag resizes the frame, and on release a changed size is raised to the subscribers as
// kPictureResized (wParam new width, lParam new height). A press inside, away from the zones, raises
// kPicturePressed (lParam the point in the parent's client coordinates).
#include "toolkit/LWnd.h"

class LWndPicReszie : public LWnd {
public:
    static constexpr UINT kPictureResized = 10013;
    static constexpr UINT kPicturePressed = 10014;
    static constexpr int kZoneWidth = 5;
    static constexpr int kMinWidth = 16;
    static constexpr int kMinHeight = 7;
    enum Zone : int { kZoneNone = 0, kZoneLeft = 1, kZoneRight = 2, kZoneTop = 4, kZoneBottom = 8 };

    LWndPicReszie();

    // A child of the edit over the picture's rectangle (client coordinates of the edit).
    bool CreateOver(LWnd& edit, const RECT& picture);
    LSurface RenderContent() override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnMouseHover(WPARAM keys, int x, int y) override;

    int ZoneAt(int x, int y) const;
    int Zone() const { return zone_; }

private:
    void UpdateCursor(int zone);

    int zone_ = kZoneNone;
    POINT start_{};
    int start_width_ = 0, start_height_ = 0;
    int zone_width_ = kZoneWidth;
    int min_width_ = kMinWidth, min_height_ = kMinHeight;
    bool dragging_ = false;
};
