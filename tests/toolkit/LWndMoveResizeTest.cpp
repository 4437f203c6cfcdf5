// Moving and resizing: the base window's own move and size handling, and the rubber-band frame of
// LWndMoveResize driven by hover, press, move and release messages.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "toolkit/LWndMoveResize.h"
#include "toolkit/UiLook.h"

#include <gtest/gtest.h>

namespace {

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

class Resizable : public LWndMoveResize {
public:
    void SaveRect() override { ++saves; }
    int saves = 0;
};

// A window on the screen at (100, 100), 300 x 200, with the toolkit focus.
struct Drag {
    Resizable w;
    Drag() {
        EXPECT_TRUE(w.Create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, 100, 100, 300,
                             200, nullptr));
    }
    void Hover(int x, int y) { SendMessageW(w.GetHandle(), WM_MOUSEHOVER, 0, Point(x, y)); }
    void Down(int x, int y) { SendMessageW(w.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y)); }
    void Move(int x, int y) { SendMessageW(w.GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, Point(x, y)); }
    void Up(int x, int y) { SendMessageW(w.GetHandle(), WM_LBUTTONUP, 0, Point(x, y)); }
    RECT Frame() const { return LWndMoveResize::MoveFrameRect(); }
};

} // namespace

TEST(LWndMoveResize, CornersEdgesAndInteriorPickTheirCursor) {
    Drag d;
    const RECT wr = d.w.WindowRect();
    struct Case {
        int x, y, edges, cursor;
    } cases[] = {
        {0, 0, 5, kCursorSizeNWSE},   {4, 4, 5, kCursorSizeNWSE},   {299, 199, 10, kCursorSizeNWSE},
        {299, 0, 6, kCursorSizeNESW}, {0, 199, 9, kCursorSizeNESW}, {0, 100, 1, kCursorSizeWE},
        {296, 100, 2, kCursorSizeWE}, {150, 0, 4, kCursorSizeNS},   {150, 195, 8, kCursorSizeNS},
        {5, 100, 0, kCursorNormal},   {150, 100, 0, kCursorNormal},
    };
    for (const Case& c : cases) {
        d.w.MoveResizeHitTest(wr.left + c.x, wr.top + c.y, wr);
        EXPECT_EQ(d.w.GetSizingEdges(), c.edges) << c.x << "," << c.y;
        EXPECT_EQ(d.w.GetCursorType(), c.cursor) << c.x << "," << c.y;
    }
    // Outside the window nothing changes.
    d.w.MoveResizeHitTest(wr.left - 1, wr.top + 50, wr);
    EXPECT_EQ(d.w.GetCursorType(), kCursorNormal);
    // Without edges the borders do not resize.
    d.w.SetEdgesEnabled(false);
    d.w.MoveResizeHitTest(wr.left, wr.top, wr);
    EXPECT_EQ(d.w.GetSizingEdges(), 0);
}

TEST(LWndMoveResize, DraggingTheTopLeftCornerMovesBothEdgesAndTheWindowJumpsOnRelease) {
    Drag d;
    d.Down(3, 3);
    EXPECT_EQ(d.w.GetCursorType(), kCursorSizeNWSE);
    EXPECT_EQ(LWnd::Focused(), &d.w);
    d.Move(-7, -17);
    ASSERT_TRUE(LWndMoveResize::MoveFrameVisible());
    EXPECT_EQ(LWndMoveResize::MoveFrameOwner(), &d.w);
    RECT f = d.Frame();
    EXPECT_EQ(f.left, 90);
    EXPECT_EQ(f.top, 80);
    EXPECT_EQ(f.right, 400);
    EXPECT_EQ(f.bottom, 300);
    // The window itself stays until the release, even when the pointer leaves it.
    SendMessageW(d.w.GetHandle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(LWndMoveResize::MoveFrameVisible());
    EXPECT_EQ(d.w.WindowRect().left, 100);
    d.Move(-27, -17);
    EXPECT_EQ(d.Frame().left, 70);
    d.Up(-27, -17);
    EXPECT_FALSE(LWndMoveResize::MoveFrameVisible());
    const RECT wr = d.w.WindowRect();
    EXPECT_EQ(wr.left, 70);
    EXPECT_EQ(wr.top, 80);
    EXPECT_EQ(wr.right, 400);
    EXPECT_EQ(wr.bottom, 300);
    EXPECT_EQ(d.w.saves, 1);
    EXPECT_EQ(d.w.BackBuffer().width(), 330);
}

TEST(LWndMoveResize, MinimumSizeStopsTheEdgeUntilThePointerPassesTheStopPoint) {
    Drag d;
    const int m = UiLineHeight();
    ASSERT_GT(m, 10);
    d.Hover(297, 100);
    EXPECT_EQ(d.w.GetCursorType(), kCursorSizeWE);
    d.Down(297, 100); // screen x 397
    d.Move(-500, 100);
    EXPECT_EQ(d.Frame().right, 100 + m);
    // The pointer comes back, but not yet past the point where the edge stopped (screen 97 + m).
    d.Move(m - 10, 100);
    EXPECT_EQ(d.Frame().right, 100 + m);
    d.Move(m - 3, 100);
    EXPECT_EQ(d.Frame().right, 100 + m);
    d.Move(m + 7, 100);
    EXPECT_EQ(d.Frame().right, 110 + m);
    d.Up(m + 7, 100);
    EXPECT_EQ(d.w.WindowRect().right - d.w.WindowRect().left, m + 10);
    EXPECT_EQ(d.w.saves, 1);
}

TEST(LWndMoveResize, ClickWithoutMovementSavesNothing) {
    Drag d;
    d.Down(150, 100);
    d.Up(150, 100);
    EXPECT_EQ(d.w.saves, 0);
    EXPECT_FALSE(LWndMoveResize::MoveFrameVisible());
    const RECT wr = d.w.WindowRect();
    EXPECT_EQ(wr.left, 100);
    EXPECT_EQ(wr.right, 400);
}

TEST(LWndMoveSize, ResizingFromTheLeftKeepsChildrenOnTheScreenWithANewBackBuffer) {
    ColorWnd top(Opaque(0xFF0000)), child(Opaque(0x0000FF));
    ASSERT_TRUE(top.CreateTop(300, 300, 200, 100, true));
    ASSERT_TRUE(child.CreateChild(top, 50, 20, 40, 40));
    ASSERT_TRUE(top.Redraw());
    const RECT before = child.WindowRect();
    MoveWindow(top.GetHandle(), 260, 300, 240, 100, FALSE);
    const RECT after = child.WindowRect();
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(top.BackBuffer().width(), 240);
    EXPECT_EQ(top.BackBuffer().height(), 100);
    // The child sits at 90 in the new client area, and the buffer was composed again.
    EXPECT_EQ(top.BackBuffer().Pixel(95, 25), Opaque(0x0000FF));
    EXPECT_EQ(top.BackBuffer().Pixel(55, 25), Opaque(0xFF0000));
    EXPECT_EQ(top.BackBuffer().Pixel(5, 5), Opaque(0xFF0000));
}

TEST(LWndMoveSize, MovingAChildRedrawsWhereItWasAndWhereItIs) {
    ColorWnd top(Opaque(0xFF0000)), child(Opaque(0x0000FF));
    ASSERT_TRUE(top.CreateTop(0, 0, 200, 100));
    ASSERT_TRUE(child.CreateChild(top, 10, 10, 20, 20));
    ASSERT_TRUE(top.Redraw());
    MoveWindow(child.GetHandle(), 100, 10, 20, 20, FALSE);
    EXPECT_EQ(top.BackBuffer().Pixel(15, 15), Opaque(0xFF0000));
    EXPECT_EQ(top.BackBuffer().Pixel(105, 15), Opaque(0x0000FF));
    // Moving the top level keeps the stored rectangles of its descendants current.
    MoveWindow(top.GetHandle(), 50, 50, 200, 100, FALSE);
    top.argb_ = Opaque(0x00FF00);
    ASSERT_TRUE(child.RedrawWithout(nullptr) == false);
    MoveWindow(child.GetHandle(), 100, 10, 20, 20, FALSE); // same place: nothing to do
    EXPECT_EQ(top.BackBuffer().Pixel(15, 15), Opaque(0xFF0000));
}
