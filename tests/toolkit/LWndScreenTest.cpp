// What needs the screen itself (pixels on the display, the pointer, the active window); these run one
// at a time so that no other test's windows cover or activate over them.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "toolkit/LWndMoveResize.h"

#include <gtest/gtest.h>

TEST(LWndCompose, PresentPushesTheBackBufferOfAVisibleLayeredWindow) {
    ColorWnd top(Opaque(0x0000FF));
    ASSERT_TRUE(top.CreateTop(1700, 900, 40, 40, true));
    SetWindowPos(top.GetHandle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(top.Redraw());
    top.Present();
    PumpFor(100);
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, 1720, 920);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(c, RGB(0, 0, 255));
}

// A rectangle presented alone travels by itself once the screen shows the rest of the window;
// before that (never pushed, or changed while hidden) the whole window goes.
TEST(LWndCompose, PresentRectPushesOnlyItsRectangleOverAnUpToDateScreen) {
    auto screen_at = [](int x, int y) {
        HDC screen = GetDC(nullptr);
        const COLORREF c = GetPixel(screen, x, y);
        ReleaseDC(nullptr, screen);
        return c;
    };
    const RECT band{0, 0, 40, 10};
    ColorWnd top(Opaque(0x0000FF));
    ASSERT_TRUE(top.CreateTop(1700, 900, 40, 40, true));
    SetWindowPos(top.GetHandle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(top.Redraw());
    top.PresentRect(top.GetHandle(), band);
    PumpFor(100);
    EXPECT_EQ(screen_at(1720, 930), RGB(0, 0, 255));
    top.argb_ = Opaque(0xFF0000);
    ASSERT_TRUE(top.Redraw());
    top.PresentRect(top.GetHandle(), band);
    PumpFor(100);
    EXPECT_EQ(screen_at(1720, 905), RGB(255, 0, 0));
    EXPECT_EQ(screen_at(1720, 930), RGB(0, 0, 255));
    top.Show(SW_HIDE);
    top.argb_ = Opaque(0x00FF00);
    ASSERT_TRUE(top.Redraw());
    top.Present(); // dropped: the window is hidden
    top.Show(SW_SHOWNA);
    top.PresentRect(top.GetHandle(), band);
    PumpFor(100);
    EXPECT_EQ(screen_at(1720, 930), RGB(0, 255, 0));
}

TEST(LWndMoveSize, CenterOnCursorMonitorCentresInTheWorkArea) {
    ColorWnd top;
    ASSERT_TRUE(top.CreateTop(0, 0, 201, 101));
    SetCursorPos(10, 10);
    top.CenterOnCursorMonitor();
    MONITORINFO mi{sizeof(mi)};
    GetMonitorInfoW(MonitorFromPoint(POINT{10, 10}, MONITOR_DEFAULTTONEAREST), &mi);
    const RECT wr = top.WindowRect();
    EXPECT_EQ(wr.left, mi.rcWork.left + (mi.rcWork.right - mi.rcWork.left - 201) / 2);
    EXPECT_EQ(wr.top, mi.rcWork.top + (mi.rcWork.bottom - mi.rcWork.top - 101) / 2);
    EXPECT_EQ(wr.right - wr.left, 201);
}

TEST(LWndCompose, OpaqueWindowsAreCopiedToTheirDeviceContext) {
    ColorWnd top(Opaque(0x00FF00));
    ASSERT_TRUE(top.Create(0, L"", WS_EX_TOOLWINDOW | WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, 1600, 900, 40, 40,
                           nullptr));
    EXPECT_FALSE(top.IsLayered());
    ASSERT_TRUE(top.Redraw());
    // WM_PAINT of an opaque top-level window presents the back buffer.
    InvalidateRect(top.GetHandle(), nullptr, FALSE);
    UpdateWindow(top.GetHandle());
    PumpFor(100);
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, 1620, 920);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(c, RGB(0, 255, 0));
}

TEST(LWndMoveResize, MoveFrameOutlineIsOnTheScreen) {
    LWndMoveResize w;
    ASSERT_TRUE(w.Create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 1500, 700, 100, 60, nullptr));
    w.ShowMoveFrame(&w, RECT{1500, 700, 1600, 760});
    PumpFor(100);
    HDC screen = GetDC(nullptr);
    const COLORREF edge = GetPixel(screen, 1500, 730);
    const COLORREF inside = GetPixel(screen, 1550, 730);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(edge, RGB(0xFB, 0x5A, 0x45));
    EXPECT_NE(inside, RGB(0xFB, 0x5A, 0x45));
    LWndMoveResize::HideMoveFrame();
}
