// Composition into the top-level back buffer, read back pixel by pixel.
#include "tests/toolkit/ToolkitTestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kRed = Opaque(0xFF0000), kGreen = Opaque(0x00FF00), kBlue = Opaque(0x0000FF);

struct Scene {
    ColorWnd top{kRed};
    ColorWnd below{kGreen}; // (10,10)-(60,60)
    ColorWnd above{kBlue};  // (40,40)-(90,90), over `below`
    Scene() {
        EXPECT_TRUE(top.CreateTop(100, 100, 120, 100));
        EXPECT_TRUE(below.CreateChild(top, 10, 10, 50, 50));
        EXPECT_TRUE(above.CreateChild(top, 40, 40, 50, 50));
    }
    uint32_t At(int x, int y) const { return top.BackBuffer().Pixel(x, y); }
};

} // namespace

TEST(LWndCompose, ChildrenLieOverTheirParentInCreationOrder) {
    Scene s;
    ASSERT_TRUE(s.top.Redraw());
    EXPECT_EQ(s.At(2, 2), kRed);
    EXPECT_EQ(s.At(20, 20), kGreen);
    EXPECT_EQ(s.At(50, 50), kBlue); // the later child is on top
    EXPECT_EQ(s.At(85, 85), kBlue);
    EXPECT_EQ(s.At(100, 95), kRed);
    EXPECT_EQ(s.top.BackBuffer().width(), 120);
    EXPECT_EQ(s.top.BackBuffer().height(), 100);
}

TEST(LWndCompose, ShowStateDecidesForHiddenChildren) {
    Scene s;
    // Hidden by the platform, but the last toolkit command was SW_SHOW: still composed.
    s.above.Show(SW_SHOW);
    ShowWindow(s.above.GetHandle(), SW_HIDE);
    ASSERT_TRUE(s.top.Redraw());
    EXPECT_EQ(s.At(85, 85), kBlue);
    // Hidden through the toolkit: gone.
    s.above.Show(SW_HIDE);
    ASSERT_TRUE(s.top.Redraw());
    EXPECT_EQ(s.At(85, 85), kRed);
    EXPECT_EQ(s.At(50, 50), kGreen);
    // Never shown at all: not composed.
    ColorWnd never(kBlue);
    ASSERT_TRUE(never.CreateChild(s.top, 100, 0, 20, 20, false));
    ASSERT_TRUE(s.top.Redraw());
    EXPECT_EQ(s.At(110, 10), kRed);
}

TEST(LWndCompose, ExcludedWindowsAndRedrawWithout) {
    Scene s;
    ASSERT_TRUE(s.top.Redraw());
    ASSERT_EQ(s.At(50, 50), kBlue);
    // RedrawWithout shows the sibling below in the child's place, only there.
    ASSERT_TRUE(s.top.RedrawWithout(&s.above));
    EXPECT_EQ(s.At(50, 50), kGreen);
    EXPECT_EQ(s.At(85, 85), kRed);
    EXPECT_EQ(s.At(5, 5), kRed);
    EXPECT_FALSE(s.top.RedrawWithout(nullptr));

    // An excluded parent still composes its children; only its own picture is left out.
    RECT wr = s.top.WindowRect();
    ASSERT_TRUE(s.top.RedrawRect(s.top.GetHandle(), LWndSet{&s.top}, wr.left, wr.top, wr.right, wr.bottom));
    EXPECT_EQ(s.At(2, 2), 0u);
    EXPECT_EQ(s.At(20, 20), kGreen);
    EXPECT_EQ(s.At(50, 50), kBlue);
}

TEST(LWndCompose, RedrawRectReplacesOnlyItsRectangle) {
    Scene s;
    ASSERT_TRUE(s.top.Redraw());
    s.below.argb_ = kBlue;
    s.top.argb_ = kGreen;
    // Screen rectangle covering (0,0)-(30,30) of the top window only.
    ASSERT_TRUE(s.top.RedrawScreenRect(100, 100, 130, 130));
    EXPECT_EQ(s.At(5, 5), kGreen);
    EXPECT_EQ(s.At(20, 20), kBlue);
    EXPECT_EQ(s.At(35, 20), kGreen);
    EXPECT_EQ(s.At(100, 90), kRed); // untouched
    // A child redrawing itself goes through the top level.
    s.above.argb_ = kGreen;
    ASSERT_TRUE(s.above.Redraw());
    EXPECT_EQ(s.At(85, 85), kGreen);
}

TEST(LWndCompose, PerPixelAlphaIsBlendedPremultiplied) {
    ColorWnd top(kRed);
    ColorWnd half(0x800000FF); // half-transparent blue
    ASSERT_TRUE(top.CreateTop(0, 0, 40, 40));
    ASSERT_TRUE(half.CreateChild(top, 0, 0, 20, 20));
    ASSERT_TRUE(top.Redraw());
    const uint32_t p = top.BackBuffer().Pixel(5, 5);
    EXPECT_EQ(p >> 24, 0xFFu);
    EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 0x7F, 1); // red behind at half strength
    EXPECT_EQ((p >> 8) & 0xFF, 0u);
    EXPECT_NEAR(static_cast<int>(p & 0xFF), 0x80, 1); // blue, premultiplied
    // Over nothing, the translucent child stays translucent.
    top.argb_ = 0;
    ASSERT_TRUE(top.Redraw());
    const uint32_t q = top.BackBuffer().Pixel(5, 5);
    EXPECT_EQ(q, 0x80000080u);
    EXPECT_EQ(top.BackBuffer().Pixel(30, 30), 0u);
}

TEST(LWndCompose, ZeroSizedWindowGivesNoPictureAndLeavesTheBufferAlone) {
    ColorWnd top(kRed);
    ASSERT_TRUE(top.CreateTop(0, 0, 30, 30));
    ASSERT_TRUE(top.Redraw());
    ColorWnd empty(kBlue);
    ASSERT_TRUE(empty.CreateChild(top, 0, 0, 0, 0));
    EXPECT_FALSE(empty.Redraw());
    EXPECT_EQ(top.BackBuffer().Pixel(0, 0), kRed);
    EXPECT_FALSE(CreateSurface(nullptr, 0, 10));
    EXPECT_FALSE(CreateSurface(nullptr, 10, -1));
    LSurface s = CreateSurface(nullptr, 3, 2, 0x80FFFFFF);
    ASSERT_TRUE(s);
    EXPECT_EQ(s.Pixel(2, 1), 0x80808080u);
}
