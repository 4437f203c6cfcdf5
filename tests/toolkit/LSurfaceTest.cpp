// Surfaces: filling, blending by the premultiplied source-over rule, clipping, and reuse of
// released surfaces without their old content.
#include "toolkit/surface/LSurface.h"

#include <gtest/gtest.h>

TEST(LSurface, FillIsPremultipliedAndClipped) {
    LSurface s = CreateSurface(nullptr, 4, 3, 0);
    ASSERT_TRUE(s);
    EXPECT_EQ(s.Pixel(0, 0), 0u);
    s.FillRect(-2, 1, 4, 10, 0x80FF0000);
    EXPECT_EQ(s.Pixel(0, 1), 0x80800000u);
    EXPECT_EQ(s.Pixel(1, 2), 0x80800000u);
    EXPECT_EQ(s.Pixel(2, 1), 0u);
    EXPECT_EQ(s.Pixel(0, 0), 0u);
    EXPECT_EQ(s.Pixel(-1, 0), 0u);
    EXPECT_EQ(s.Pixel(4, 0), 0u);
    EXPECT_EQ(LSurface::Premultiply(0xFF123456), 0xFF123456u);
    EXPECT_EQ(LSurface::Premultiply(0x00FFFFFF), 0u);
}

TEST(LSurface, BlendIsSourceOverOnEveryChannel) {
    LSurface dst = CreateSurface(nullptr, 3, 1, 0xFF0000FF);
    LSurface src = CreateSurface(nullptr, 3, 1, 0);
    src.FillRect(0, 0, 1, 1, 0xFFFF0000); // opaque replaces
    src.FillRect(1, 0, 1, 1, 0x80FF0000); // half over blue
    // pixel 2 stays transparent: no change
    ASSERT_TRUE(dst.BlendFrom(src, 0, 0));
    EXPECT_EQ(dst.Pixel(0, 0), 0xFFFF0000u);
    const uint32_t half = dst.Pixel(1, 0);
    EXPECT_EQ(half >> 24, 0xFFu);
    EXPECT_EQ((half >> 16) & 0xFF, 0x80u);
    EXPECT_EQ(half & 0xFF, 0x7Fu);
    EXPECT_EQ(dst.Pixel(2, 0), 0xFF0000FFu);

    // Half over half: alpha 0x80 + 0x80 * 0x7F / 255.
    LSurface a = CreateSurface(nullptr, 1, 1, 0x80000000);
    LSurface b = CreateSurface(nullptr, 1, 1, 0x80000000);
    ASSERT_TRUE(a.BlendFrom(b, 0, 0));
    EXPECT_EQ(a.Pixel(0, 0) >> 24, 0xC0u);
}

TEST(LSurface, BlendClipsToTheTargetAndRefusesSourcesOutOfBounds) {
    LSurface dst = CreateSurface(nullptr, 4, 4, 0);
    LSurface src = CreateSurface(nullptr, 3, 3, 0xFF00FF00);
    ASSERT_TRUE(dst.BlendFrom(src, -2, 3));
    EXPECT_EQ(dst.Pixel(0, 3), 0xFF00FF00u);
    EXPECT_EQ(dst.Pixel(1, 3), 0u);
    EXPECT_EQ(dst.Pixel(0, 2), 0u);
    EXPECT_TRUE(dst.BlendFrom(src, 10, 10)); // lands nowhere
    EXPECT_FALSE(dst.BlendFrom(src, 0, 0, 1, 1, 3, 3));
    EXPECT_FALSE(dst.BlendFrom(src, 0, 0, 0, 0, 0, 3));
    LSurface none;
    EXPECT_FALSE(dst.BlendFrom(none, 0, 0));
}

TEST(LSurface, ReleasedSurfacesComeBackClean) {
    for (int round = 0; round < 3; ++round) {
        LSurface s = CreateSurface(nullptr, 24, 24, 0);
        ASSERT_TRUE(s);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x)
                ASSERT_EQ(s.Pixel(x, y), 0u) << round;
        s.Fill(0xFFABCDEF);
        // Drawing state set on the DC must not reach the next user either.
        SetViewportOrgEx(s.dc(), 5, 5, nullptr);
        HRGN clip = CreateRectRgn(0, 0, 1, 1);
        SelectClipRgn(s.dc(), clip);
        DeleteObject(clip);
    }
    LSurface s = CreateSurface(nullptr, 24, 24, 0);
    RECT r{0, 0, 24, 24};
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    FillRect(s.dc(), &r, white);
    GdiFlush();
    EXPECT_EQ(s.Pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(s.Pixel(23, 23) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(LSurface, MovingHandsTheSurfaceOver) {
    LSurface a = CreateSurface(nullptr, 2, 2, 0xFF102030);
    LSurface b = std::move(a);
    EXPECT_FALSE(a);
    ASSERT_TRUE(b);
    EXPECT_EQ(b.Pixel(1, 1), 0xFF102030u);
    b = CreateSurface(nullptr, 1, 1, 0);
    EXPECT_EQ(b.width(), 1);
}
