#pragma once
// The blinking caret of the edit controls: a small layered popup laid over the edit. It draws a vertical
// line at its right edge while the blink counter is odd, only where it overlaps the owner's window.
#include "toolkit/LWnd.h"

#include <cstdint>

class LCaret : public LWnd {
public:
    static constexpr int kDefaultPenWidth = 2;
    static constexpr UINT_PTR kBlinkTimer = 1;
    static constexpr UINT kBlinkMs = 600;

    LCaret();
    ~LCaret() override;

    // A hidden popup above the owner's top-level window.
    bool CreateFor(HWND owner);
    LSurface RenderContent() override;
    void OnTimer(UINT_PTR timer_id) override;

    // Screen rectangle of the caret's line (the line lies at the right edge of the window); a shown
    // caret is repainted there unless the caller is about to show it anyway. A caret placed with a
    // repaint (a click, a cursor key) or shown again after hiding is raised above everything; one the
    // caller shows right after (typing) only moves while it is still above its owner.
    void Place(int screen_x, int screen_y, int height, bool repaint = true);
    void SetColor(uint32_t argb) { color_ = argb; }
    uint32_t Color() const { return color_; }
    // Counter 0, timer off, repainted away.
    void Hide();
    // Counter 1 (visible), repainted, blinking every 600 ms.
    void ShowCaret();
    bool IsVisible() const { return (blink_ & 1) != 0; }
    int BlinkCounter() const { return blink_; }
    int PenWidth() const { return pen_width_; }

private:
    void Repaint();
    // The line's rectangle inside a caret window at `own` (screen), empty where it lies off the owner.
    RECT LineRect(const RECT& own) const;
    // Still stacked above the owner's top-level window, as the last raise left it.
    bool AboveOwner() const;

    uint32_t color_ = 0xFF000000;
    int pen_width_ = kDefaultPenWidth;
    int blink_ = 0;
    bool visible_ = false;
    bool raised_ = false; // raised top-most since it was last hidden
    HWND owner_ = nullptr;
    RECT drawn_{}; // the line as last drawn, in the caret's own coordinates
};
