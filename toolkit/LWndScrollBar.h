#pragma once
// A scroll bar whose thumb is dragged or moved by the wheel; a child bar reports its position to
// its parent with 10010 (wParam its id, lParam the position).
#include "toolkit/LWnd.h"

#include <map>

class LWndScrollBar : public LWnd {
public:
    static constexpr int kVertical = 1; // any other orientation is horizontal
    static constexpr int kThickness = 28;
    static constexpr int kWheelStep = 24;

    explicit LWndScrollBar(int orientation);

    bool OnCreate() override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnMouseWheel(int keys, int delta, int x, int y) override;
    bool OnKillFocus(LWnd* new_focus) override;
    bool OnSize(UINT type, int width, int height) override;
    bool PreTranslateMessage(MSG* msg) override;
    LSurface RenderContent() override;

    // Clamps to minimum .. maximum - track length; notifies when the position changed.
    void SetScrollPos(int position);
    void SetRange(int minimum, int maximum);
    // Messages of this code retrieved for the bar are handed to the window instead.
    void ForwardMessage(UINT code, HWND to) { forward_[code] = to; }

    int GetPos() const { return pos_; }
    int GetTrackLength() const { return track_; }
    bool IsVertical() const { return orientation_ == kVertical; }
    bool IsDragging() const { return dragging_; }
    bool IsScrollable() const { return track_ < max_ - min_; }
    RECT GetThumbRect() const { return thumb_; }
    void SetThumbColor(uint32_t argb) { thumb_color_ = argb; }

protected:
    void UpdateTrack();
    void UpdateThumb();
    void Notify();

    RECT thumb_{};
    int orientation_;
    int thickness_ = kThickness;
    int min_ = 0, max_ = 0;
    int track_ = 0;
    int pos_ = 0;
    int drag_start_pos_ = 0;
    int drag_start_coord_ = 0;
    bool dragging_ = false;
    uint32_t thumb_color_ = 0xFF000000;
    std::map<UINT, HWND> forward_;
};
