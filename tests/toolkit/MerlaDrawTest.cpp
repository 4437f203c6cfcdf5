// Text and pictures on transparent surfaces, the string formats and the highlight box.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "app/base/SysConfig.h"
#include "store/xml/CXmlDoc.h"
#include "toolkit/MerlaDraw.h"

#include <gtest/gtest.h>

namespace {

int ReadStoredScale() {
    int v = -1;
    SysConfig::ReadInt(L"dscalecolorvalue", v);
    return v;
}

// Largest alpha and the number of pixels with any alpha.
void Coverage(const LSurface& s, int& max_alpha, int& covered) {
    max_alpha = 0;
    covered = 0;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            const int a = static_cast<int>(s.Pixel(x, y) >> 24);
            max_alpha = std::max(max_alpha, a);
            covered += a > 0;
        }
    }
}

} // namespace

TEST(DrawTextSurface, FirstTextOfARunWritesTheDefaultScale) {
    EXPECT_EQ(ReadStoredScale(), -1);
    auto format = MakeStringFormat(kAlignNear, kAlignNear);
    LSurface s = DrawTextSurface(nullptr, *format, L"便签", 0xFF000000, 60, 20);
    ASSERT_TRUE(s);
    EXPECT_EQ(ReadStoredScale(), 245);
    EXPECT_EQ(TextScaleColorValue(), 245);
}

TEST(DrawTextSurface, StoredValueAboveTheLimitIsUsedAs245) {
    ASSERT_TRUE(SysConfig::WriteInt(L"dscalecolorvalue", 300));
    EXPECT_EQ(TextScaleColorValue(), 245);
    EXPECT_EQ(ReadStoredScale(), 300); // read, not rewritten
}

TEST(DrawTextSurface, StoredZeroDrawsNothingAndDoesNotFail) {
    ASSERT_TRUE(SysConfig::WriteInt(L"dscalecolorvalue", 0));
    auto format = MakeStringFormat(kAlignNear, kAlignNear);
    LSurface s = DrawTextSurface(nullptr, *format, L"ABC", 0xFF000000, 40, 20);
    ASSERT_TRUE(s);
    EXPECT_EQ(TextScaleColorValue(), 0);
}

TEST(DrawTextSurface, GlyphsGetAlphaAndValidPremultipliedPixels) {
    auto format = MakeStringFormat(kAlignNear, kAlignNear);
    LSurface s = DrawTextSurface(nullptr, *format, L"便签 Note", 0xFFFB5A45, 90, 20);
    ASSERT_TRUE(s);
    int max_alpha = 0, covered = 0;
    Coverage(s, max_alpha, covered);
    EXPECT_GT(covered, 30);
    EXPECT_GE(max_alpha, 200);
    EXPECT_LE(max_alpha, 255);
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            const uint32_t p = s.Pixel(x, y);
            const uint32_t a = p >> 24;
            ASSERT_LE((p >> 16) & 0xFF, a);
            ASSERT_LE((p >> 8) & 0xFF, a);
            ASSERT_LE(p & 0xFF, a);
        }
    }
    // Nothing is drawn outside the glyphs: the right part of a wide surface stays empty.
    LSurface wide = DrawTextSurface(nullptr, *format, L"A", 0xFF000000, 200, 20);
    for (int y = 0; y < 20; ++y)
        EXPECT_EQ(wide.Pixel(150, y), 0u);
}

TEST(DrawTextSurface, EmptyTextOrSizeGivesEmptyResults) {
    auto format = MakeStringFormat(kAlignNear, kAlignNear);
    LSurface s = DrawTextSurface(nullptr, *format, L"", 0xFF000000, 10, 10);
    ASSERT_TRUE(s);
    EXPECT_EQ(s.Pixel(5, 5), 0u);
    EXPECT_FALSE(DrawTextSurface(nullptr, *format, L"x", 0xFF000000, 0, 10));
}

TEST(MakeTabbedFormat, OneStopOf24PixelsPerTab) {
    auto format = MakeTabbedFormat(L"a\tb\tc", kAlignFar, kAlignCenter);
    EXPECT_EQ(format->GetTabStopCount(), 2);
    Gdiplus::REAL first = 0, stops[2] = {};
    format->GetTabStops(2, &first, stops);
    EXPECT_EQ(stops[0], 24.0f);
    EXPECT_EQ(stops[1], 24.0f);
    EXPECT_EQ(format->GetAlignment(), Gdiplus::StringAlignmentFar);
    EXPECT_EQ(format->GetLineAlignment(), Gdiplus::StringAlignmentCenter);
    EXPECT_TRUE(format->GetFormatFlags() & Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
    EXPECT_EQ(MakeTabbedFormat(L"none", kAlignNear, kAlignNear)->GetTabStopCount(), 0);
}

TEST(DrawPictureFile, ScalesThePictureAndSkipsMissingFiles) {
    LSurface target = CreateSurface(nullptr, 40, 40, 0);
    EXPECT_FALSE(DrawPictureFile(ResDir() + L"nothing.png", target, 0, 0, 20, 20));
    EXPECT_EQ(target.Pixel(10, 10), 0u);
    ASSERT_TRUE(DrawPictureFile(ResDir() + L"Merla.png", target, 10, 10, 20, 20));
    EXPECT_EQ(target.Pixel(5, 5), 0u);
    EXPECT_EQ(target.Pixel(35, 35), 0u);
    EXPECT_GT(target.Pixel(20, 22) >> 24, 200u);
    // A file that is not a picture draws nothing.
    FILE* f = _wfopen((ResDir() + L"broken.png").c_str(), L"wb");
    fputs("not a picture", f);
    fclose(f);
    EXPECT_FALSE(DrawPictureFile(ResDir() + L"broken.png", target, 0, 0, 5, 5));
}

TEST(FillFramedRect, OutlineInTheColourAndFillAtTheFillAlpha) {
    LSurface s = CreateSurface(nullptr, 10, 10, 0);
    FillFramedRect(s, 0, 0, 10, 10, kThemeColor, 25);
    EXPECT_EQ(s.Pixel(0, 0), kThemeColor);
    EXPECT_EQ(s.Pixel(9, 9), kThemeColor);
    EXPECT_EQ(s.Pixel(5, 5) >> 24, 25u);
    EXPECT_EQ(s.Pixel(5, 5), LSurface::Premultiply((25u << 24) | (kThemeColor & 0xFFFFFF)));
}
