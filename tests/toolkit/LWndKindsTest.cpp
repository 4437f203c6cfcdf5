// Shadows, buttons, scroll bars and sliders.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "toolkit/LCaret.h"
#include "toolkit/LWndBt.h"
#include "toolkit/LWndScrollBar.h"
#include "toolkit/LWndSlider.h"
#include "toolkit/LWndWithShadow.h"
#include "toolkit/Shadow.h"

#include <gtest/gtest.h>

namespace {

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

class Parent : public ColorWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override {
        if (message >= 10000 && message < 10020)
            got.push_back({message, wp, lp});
        return ColorWnd::WindowProc(message, wp, lp);
    }
    struct Msg {
        UINT message;
        WPARAM wp;
        LPARAM lp;
    };
    std::vector<Msg> got;
    int Count(UINT message) const {
        int n = 0;
        for (const Msg& m : got)
            n += m.message == message;
        return n;
    }
};

} // namespace

TEST(Shadow, WeightsFallToOneTwoHundredFiftyFifthJustBeyondTheRadius) {
    for (int r : {1, 3, 8}) {
        const std::vector<int> w = ShadowWeights(r);
        ASSERT_EQ(w.size(), static_cast<size_t>(2 * r + 3));
        EXPECT_EQ(w[r + 1], 255);
        EXPECT_EQ(w.front(), 1) << r;
        EXPECT_EQ(w.back(), 1) << r;
        for (int t = 1; t <= r + 1; ++t) {
            EXPECT_EQ(w[r + 1 + t], w[r + 1 - t]);
            EXPECT_LT(w[r + 1 + t], w[r + t]);
        }
    }
    EXPECT_EQ(ShadowWeights(3), (std::vector<int>{1, 11, 63, 180, 255, 180, 63, 11, 1}));
}

TEST(Shadow, HaloSurroundsAnEmptyInnerRectangle) {
    LSurface s = MakeShadowSurface(nullptr, 20, 10, 3, 0xFF000000);
    ASSERT_TRUE(s);
    EXPECT_EQ(s.width(), 26);
    EXPECT_EQ(s.height(), 16);
    EXPECT_EQ(s.Pixel(10, 8), 0u); // inner rectangle cleared
    EXPECT_EQ(s.Pixel(3, 3), 0u);
    const uint32_t edge = s.Pixel(2, 8); // just outside the left edge
    EXPECT_GT(edge >> 24, 0x40u);
    EXPECT_EQ(edge & 0x00FFFFFF, 0u);                    // black, premultiplied
    EXPECT_GT(s.Pixel(2, 8) >> 24, s.Pixel(0, 8) >> 24); // fading outwards
    EXPECT_GT(s.Pixel(0, 8) >> 24, 0u);
    // Corners are softer than edges.
    EXPECT_LT(s.Pixel(2, 2) >> 24, edge >> 24);
    // Symmetric.
    EXPECT_EQ(s.Pixel(0, 8), s.Pixel(25, 8));
    EXPECT_EQ(s.Pixel(12, 0), s.Pixel(12, 15));
}

TEST(LWndWithShadow, WhitePanelInsideASoftShadow) {
    ColorWnd top(0);
    LWndWithShadow panel;
    ASSERT_TRUE(top.CreateTop(0, 0, 100, 100));
    ASSERT_TRUE(panel.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 10, 10, 50, 40, top.GetHandle()));
    ASSERT_TRUE(top.Redraw());
    const LSurface& b = top.BackBuffer();
    EXPECT_EQ(b.Pixel(30, 30), 0xFFFFFFFFu);
    EXPECT_EQ(b.Pixel(13, 13), 0xFFFFFFFFu); // the panel starts at the shadow width
    EXPECT_GT(b.Pixel(12, 30) >> 24, 0u);    // shadow
    EXPECT_EQ(b.Pixel(12, 30) & 0xFFFFFF, 0u);
    EXPECT_EQ(b.Pixel(8, 30), 0u); // outside the panel window
    // A new size gives a new panel.
    MoveWindow(panel.GetHandle(), 10, 10, 70, 40, FALSE);
    ASSERT_TRUE(top.Redraw());
    EXPECT_EQ(b.Pixel(75, 30), 0xFFFFFFFFu);
}

// Moving the caret along keeps the pixels it already has; the line is drawn again only where the
// owner's edge now cuts it.
TEST(LCaret, MovingAlongRedrawsTheLineWhereTheOwnersEdgeCutsIt) {
    ColorWnd owner(Opaque(0xFFFFFF));
    ASSERT_TRUE(owner.CreateTop(100, 100, 200, 100, true));
    SetWindowPos(owner.GetHandle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    LCaret caret;
    ASSERT_TRUE(caret.CreateFor(owner.GetHandle()));
    auto above = [&] {
        for (HWND w = GetWindow(caret.GetHandle(), GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
            if (w == owner.GetHandle())
                return true;
        return false;
    };
    auto line_at = [&](int y) { return caret.BackBuffer().Pixel(caret.BackBuffer().width() - 1, y); };
    caret.Place(150, 110, 20);
    caret.ShowCaret();
    EXPECT_EQ(0xFF000000u, line_at(15));
    for (int x = 152; x < 160; ++x) {
        caret.Place(x, 110, 20, false); // typing along the row
        caret.ShowCaret();
    }
    EXPECT_EQ(0xFF000000u, line_at(15));
    caret.Place(160, 190, 20); // half below the owner's bottom at 200
    EXPECT_EQ(0xFF000000u, line_at(5));
    EXPECT_EQ(0u, line_at(15));
    caret.Place(161, 120, 20, false);
    caret.ShowCaret();
    EXPECT_EQ(0xFF000000u, line_at(15));
    EXPECT_TRUE(above());
    caret.Hide();
    EXPECT_EQ(0u, line_at(15));
}

TEST(LWndBt, HoverPressAndClickTellTheParent) {
    Parent top;
    LWndBt bt;
    ASSERT_TRUE(top.CreateTop(0, 0, 100, 100));
    ASSERT_TRUE(bt.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 10, 10, 24, 24, top.GetHandle()));
    SendMessageW(bt.GetHandle(), WM_MOUSEHOVER, 0, Point(5, 5));
    EXPECT_TRUE(bt.GetMouseFlags() & LWnd::kMouseHover);
    EXPECT_EQ(bt.GetCursorType(), kCursorHand);
    SendMessageW(bt.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    EXPECT_TRUE(bt.GetMouseFlags() & LWnd::kMouseLeftDown);
    SendMessageW(bt.GetHandle(), WM_LBUTTONUP, 0, Point(6, 6));
    EXPECT_FALSE(bt.GetMouseFlags() & LWnd::kMouseLeftDown);
    ASSERT_EQ(top.Count(LNotify::kButtonClicked), 1);
    EXPECT_EQ(static_cast<int>(top.got.back().wp), bt.GetId());
    SendMessageW(bt.GetHandle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(bt.GetMouseFlags() & LWnd::kMouseHover);
}

TEST(LWndScrollBar, ThumbFollowsPositionAndDragArithmetic) {
    Parent top;
    LWndScrollBar bar(LWndScrollBar::kVertical);
    ASSERT_TRUE(top.CreateTop(0, 0, 200, 200));
    ASSERT_TRUE(
        bar.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, LWndScrollBar::kThickness, 100, top.GetHandle()));
    bar.SetRange(0, 400);
    EXPECT_EQ(bar.GetTrackLength(), 100);
    RECT t = bar.GetThumbRect();
    EXPECT_EQ(t.top, 0);
    EXPECT_EQ(t.bottom, 25); // 100 * 100 / 400
    EXPECT_EQ(t.right, LWndScrollBar::kThickness);
    bar.SetScrollPos(100);
    t = bar.GetThumbRect();
    EXPECT_EQ(t.top, 25);
    EXPECT_EQ(t.bottom, 50);
    PumpMessages();
    ASSERT_EQ(top.Count(LNotify::kScrollPos), 1);
    EXPECT_EQ(top.got.back().lp, 100);

    // Drag the thumb 10 pixels down: 10 * 400 / 100 = 40 further.
    SendMessageW(bar.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 30));
    EXPECT_TRUE(bar.IsDragging());
    SendMessageW(bar.GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, Point(5, 40));
    EXPECT_EQ(bar.GetPos(), 140);
    SendMessageW(bar.GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, Point(5, 33));
    EXPECT_EQ(bar.GetPos(), 112);
    // Clamped to range - track.
    SendMessageW(bar.GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, Point(5, 500));
    EXPECT_EQ(bar.GetPos(), 300);
    SendMessageW(bar.GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, Point(5, -500));
    EXPECT_EQ(bar.GetPos(), 0);
    SendMessageW(bar.GetHandle(), WM_LBUTTONUP, 0, Point(5, -500));
    EXPECT_FALSE(bar.IsDragging());
    SendMessageW(bar.GetHandle(), WM_MOUSEMOVE, 0, Point(5, 60));
    EXPECT_EQ(bar.GetPos(), 0);
    PumpMessages();
    EXPECT_EQ(top.got.back().lp, 0);

    // The wheel: away from the user scrolls up by 24, towards the user down.
    bar.SetScrollPos(100);
    bar.OnMouseWheel(0, WHEEL_DELTA, 0, 0);
    EXPECT_EQ(bar.GetPos(), 76);
    bar.OnMouseWheel(0, -WHEEL_DELTA, 0, 0);
    EXPECT_EQ(bar.GetPos(), 100);
    // A press beside the thumb does not drag.
    SendMessageW(bar.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 90));
    EXPECT_FALSE(bar.IsDragging());
    SendMessageW(bar.GetHandle(), WM_LBUTTONUP, 0, Point(5, 90));
}

TEST(LWndScrollBar, ARangeShorterThanTheTrackCannotBeDragged) {
    Parent top;
    LWndScrollBar bar(0);
    ASSERT_TRUE(top.CreateTop(0, 0, 200, 200));
    ASSERT_TRUE(
        bar.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 150, LWndScrollBar::kThickness, top.GetHandle()));
    bar.SetRange(0, 100);
    EXPECT_EQ(bar.GetTrackLength(), 150);
    EXPECT_FALSE(bar.IsScrollable());
    SendMessageW(bar.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 5));
    EXPECT_FALSE(bar.IsDragging());
    SendMessageW(bar.GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, Point(60, 5));
    SendMessageW(bar.GetHandle(), WM_LBUTTONUP, 0, Point(60, 5));
    bar.SetScrollPos(50);
    EXPECT_EQ(bar.GetPos(), 0);
    PumpMessages();
    EXPECT_EQ(top.Count(LNotify::kScrollPos), 0);
    // An empty range divides by nothing.
    bar.SetRange(0, 0);
    EXPECT_EQ(bar.GetThumbRect().right, 0);
}

TEST(LWndScrollBar, LosingTheFocusToAnotherWindowTellsTheParent) {
    Parent top;
    ColorWnd other;
    LWndScrollBar bar(LWndScrollBar::kVertical);
    ASSERT_TRUE(top.CreateTop(0, 0, 200, 200));
    ASSERT_TRUE(other.CreateChild(top, 100, 0, 50, 50));
    ASSERT_TRUE(bar.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 28, 100, top.GetHandle()));
    bar.OnKillFocus(&top);
    EXPECT_EQ(top.Count(LNotify::kScrollLostFocus), 0);
    bar.OnKillFocus(&other);
    EXPECT_EQ(top.Count(LNotify::kScrollLostFocus), 1);
}

namespace {
class CountingSlider : public LWndSlider {
public:
    void OnValueChanged() override { ++changes; }
    int changes = 0;
};
} // namespace

TEST(LWndSlider, ValueFollowsThePointerAlongTheTrack) {
    ColorWnd top;
    CountingSlider s;
    ASSERT_TRUE(top.CreateTop(0, 0, 300, 100));
    // Client 220 x 30: track from 10 to 210 (200 long), 5 to 25 across; thumb side 20.
    ASSERT_TRUE(s.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 220, 30, top.GetHandle()));
    RECT track = s.GetTrackRect();
    EXPECT_EQ(track.left, 10);
    EXPECT_EQ(track.right, 210);
    EXPECT_EQ(track.top, 5);
    EXPECT_EQ(track.bottom, 25);
    RECT thumb = s.GetThumbRect();
    EXPECT_EQ(thumb.right - thumb.left, 20);
    EXPECT_EQ(thumb.left, 0); // centred on the track start
    s.SetValue(50);
    EXPECT_EQ(s.GetThumbRect().left, 100);

    SendMessageW(s.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(61, 15));
    EXPECT_EQ(s.GetValue(), 25); // (61 - 10) / 200 * 100, truncated
    EXPECT_EQ(s.GetThumbRect().left, 51);
    EXPECT_EQ(s.changes, 1);
    SendMessageW(s.GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, Point(62, 15)); // 26 (rounded down from 26)
    EXPECT_EQ(s.GetValue(), 26);
    SendMessageW(s.GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, Point(63, 15)); // 26.5 -> 26, no change
    EXPECT_EQ(s.GetValue(), 26);
    EXPECT_EQ(s.changes, 2);
    SendMessageW(s.GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, Point(900, 15));
    EXPECT_EQ(s.GetValue(), 100);
    EXPECT_EQ(s.GetThumbRect().left, 200);
    SendMessageW(s.GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, Point(-50, 15));
    EXPECT_EQ(s.GetValue(), 0);
    SendMessageW(s.GetHandle(), WM_LBUTTONUP, 0, Point(-50, 15));
    SendMessageW(s.GetHandle(), WM_MOUSEMOVE, 0, Point(100, 15));
    EXPECT_EQ(s.GetValue(), 0);

    // Colours of track and thumb.
    s.SetValue(100);
    ASSERT_TRUE(top.Redraw());
    EXPECT_EQ(top.BackBuffer().Pixel(50, 6), LSurface::Premultiply(LWndSlider::kTrackColor));
    const uint32_t over = top.BackBuffer().Pixel(205, 15);
    EXPECT_NEAR(static_cast<int>(over >> 24), 241, 1); // thumb over track: 0xE9 + 0x59 * (1 - 0xE9 / 255)
}
