// Fitting pictures into a square: sizes, blip types from file names, and the scaled drawing.
#include "richtext/PictureFit.h"

#include <gtest/gtest.h>

namespace {

std::pair<int, int> Fit(int width, int height, int max_side) {
    int w = -1, h = -1;
    EXPECT_TRUE(FitPictureSize(width, height, max_side, &w, &h));
    return {w, h};
}

} // namespace

TEST(PictureFit, LongerSideShrinksAndNoSideVanishes) {
    EXPECT_EQ(std::make_pair(32, 1), Fit(600, 10, 32));
    EXPECT_EQ(std::make_pair(1, 32), Fit(10, 600, 32));
    EXPECT_EQ(std::make_pair(32, 16), Fit(2000, 1000, 32));
    EXPECT_EQ(std::make_pair(16, 32), Fit(1000, 2000, 32));
    EXPECT_EQ(std::make_pair(100, 66), Fit(300, 199, 100)); // truncated
    EXPECT_EQ(std::make_pair(20, 10), Fit(20, 10, 100));    // small pictures keep their size
    EXPECT_EQ(std::make_pair(100, 50), Fit(2000000000, 1000000000, 100));
    int w = -1, h = -1;
    EXPECT_FALSE(FitPictureSize(0, 10, 32, &w, &h));
    EXPECT_EQ(std::make_pair(0, 0), std::make_pair(w, h));
    EXPECT_FALSE(FitPictureSize(10, 10, 0, &w, &h));
}

TEST(PictureFit, BlipTypeFromTheFileName) {
    EXPECT_EQ(L"pngblip", BlipTypeForFileName(L"C:\\pics\\a.png"));
    EXPECT_EQ(L"pngblip", BlipTypeForFileName(L"A.PNG"));
    EXPECT_EQ(L"pngblip", BlipTypeForFileName(L"x.png.gif")); // "png" is asked first
    EXPECT_EQ(L"gifblip", BlipTypeForFileName(L"smile.gif"));
    EXPECT_EQ(L"wmetafile8", BlipTypeForFileName(L"photo.jpg"));
}

TEST(PictureFit, DrawsIntoANewArgbBitmapOfTheSize) {
    Gdiplus::Bitmap source(40, 20, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&source);
        g.Clear(Gdiplus::Color(255, 200, 10, 30));
    }
    const std::unique_ptr<Gdiplus::Bitmap> scaled = DrawPictureScaled(source, 10, 5);
    ASSERT_TRUE(scaled);
    EXPECT_EQ(10u, scaled->GetWidth());
    EXPECT_EQ(5u, scaled->GetHeight());
    EXPECT_EQ(PixelFormat32bppARGB, scaled->GetPixelFormat());
    Gdiplus::Color c;
    ASSERT_EQ(Gdiplus::Ok, scaled->GetPixel(5, 2, &c));
    EXPECT_EQ(Gdiplus::Color(255, 200, 10, 30).GetValue(), c.GetValue());
    EXPECT_FALSE(DrawPictureScaled(source, 0, 5));
}
