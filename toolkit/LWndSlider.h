#pragma once
// A slider: a track with a square thumb that the pointer drags; the value runs from minimum to
// maximum along the track.
#include "toolkit/LWnd.h"

class LWndSlider : public LWnd {
public:
    static constexpr int kHorizontal = 0, kVertical = 1;
    static constexpr int kMarginAlong = 10, kMarginAcross = 5;
    static constexpr uint32_t kTrackColor = 0x59FF0000;
    static constexpr uint32_t kThumbColor = 0xE9167A7B;

    explicit LWndSlider(int orientation = kHorizontal);

    bool OnCreate() override;
    LSurface RenderContent() override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;

    virtual void LayoutSlider();
    virtual void OnValueChanged();

    void SetRange(int minimum, int maximum);
    // Sets the value (clamped) and places the thumb; no notification.
    void SetValue(int value);
    int GetValue() const { return value_; }
    RECT GetTrackRect() const { return track_; }
    RECT GetThumbRect() const { return thumb_; }

protected:
    // Puts the thumb's centre at the pointer coordinate (kept within the track) and recomputes the
    // value; answers true when the value changed.
    bool FollowPointer(int coord);

    int orientation_;
    int min_ = 0, max_ = 100;
    int value_ = 0;
    RECT track_{};
    RECT thumb_{};
    int margin_along_ = kMarginAlong;
    int margin_across_ = kMarginAcross;
    bool dragging_ = false;
    POINT press_{};
};
