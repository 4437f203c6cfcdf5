// GIF playback on real GIF files written here: frame timing, stopping, drawing, broken files and the
// preview window's delete box.
#include "tests/toolkit/GifWriter.h"
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "toolkit/LGif.h"
#include "toolkit/MerlaGif.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

namespace {

std::wstring TestFolder() {
    const std::wstring folder = ExeDir() + L"giftest\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool WriteBytes(const std::wstring& name, const std::string& bytes) {
    FILE* f = _wfopen((TestFolder() + name).c_str(), L"wb");
    if (!f)
        return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// A visible toolkit window that notes when each frame message arrives.
class FrameLog : public ColorWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override {
        if (message == 10016)
            times.push_back(GetTickCount64());
        if (message == 50016)
            ++deleted;
        return ColorWnd::WindowProc(message, wp, lp);
    }
    std::vector<int64_t> Gaps() const {
        std::vector<int64_t> gaps;
        for (size_t i = 1; i < times.size(); ++i)
            gaps.push_back(static_cast<int64_t>(times[i] - times[i - 1]));
        return gaps;
    }
    std::vector<ULONGLONG> times;
    int deleted = 0;
};

class GifPlayback : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(target.CreateTop(-300, -300, 40, 40, true)); }
    void TearDown() override { gif.ClearPictures(); }
    LGif gif;
    FrameLog target;
};

uint32_t DrawnPixel(LGif& gif, const std::wstring& name) {
    LSurface s(kGifSide, kGifSide);
    auto bitmap = s.MakeBitmap();
    {
        Gdiplus::Graphics g(bitmap.get());
        if (!gif.DrawPicture(g, TestFolder(), name, 0, 0, kGifSide, kGifSide))
            return 0;
    }
    return s.Pixel(kGifSide / 2, kGifSide / 2);
}

} // namespace

TEST_F(GifPlayback, FramesFollowTheirOwnDelaysAndLoop) {
    ASSERT_TRUE(WriteBytes(L"paced.gif", EncodeGif({{0, 10}, {1, 10}, {2, 20}})));
    gif.AddPicture(TestFolder(), L"paced.gif", target.GetHandle());
    EXPECT_TRUE(gif.IsPlaying());
    ASSERT_TRUE(PumpUntil([&] { return target.times.size() >= 7; }, 5000));
    const auto gap = target.Gaps();
    // 100, 100, 200, then the loop again
    for (int i : {0, 3})
        EXPECT_GT(gap[i + 2], gap[i] * 3 / 2) << i;
    for (int i : {1, 4})
        EXPECT_GT(gap[i + 1], gap[i] * 3 / 2) << i;
    EXPECT_GE(gap[0], 50);
}

TEST_F(GifPlayback, ZeroOneAndMissingDelaysPlayAsATenthOfASecond) {
    ASSERT_TRUE(WriteBytes(L"fast.gif", EncodeGif({{0, 0}, {1, 1}, {2, std::nullopt}, {3, 0}})));
    gif.AddPicture(TestFolder(), L"fast.gif", target.GetHandle());
    ASSERT_TRUE(PumpUntil([&] { return target.times.size() >= 7; }, 5000));
    const auto span = static_cast<int64_t>(target.times[6] - target.times[0]);
    EXPECT_GE(span, 6 * 70);
    EXPECT_LE(span, 6 * 400);
}

TEST(GifSchedule, FewerDelaysThanFramesFillWithTheDefault) {
    const uint32_t delays[] = {20, 0, 7};
    // 2.5 entries: the half one is not read, the missing ones play 100 ms
    EXPECT_EQ(BuildFrameSchedule(delays, 10, 4), (std::vector<int64_t>{0, 200, 300, 400, 500}));
    EXPECT_EQ(BuildFrameSchedule(delays, 12, 3), (std::vector<int64_t>{0, 200, 300, 370}));
    EXPECT_EQ(BuildFrameSchedule(nullptr, 0, 2), (std::vector<int64_t>{0, 100, 200}));
}

TEST_F(GifPlayback, OneFrameIsStillAndRemovedPicturesStopPosting) {
    ASSERT_TRUE(WriteBytes(L"still.gif", EncodeGif({{2, 10}})));
    gif.AddPicture(TestFolder(), L"still.gif", target.GetHandle());
    EXPECT_FALSE(gif.IsPlaying());
    EXPECT_EQ(DrawnPixel(gif, L"still.gif"), Opaque(0x0000FF));

    ASSERT_TRUE(WriteBytes(L"gone.gif", EncodeGif({{0, 5}, {1, 5}})));
    gif.AddPicture(TestFolder(), L"gone.gif", target.GetHandle());
    ASSERT_TRUE(PumpUntil([&] { return target.times.size() >= 2; }, 3000));
    gif.RemovePicture(L"GONE.GIF");
    PumpFor(100);
    target.times.clear();
    PumpFor(500);
    EXPECT_TRUE(target.times.empty());
    EXPECT_EQ(DrawnPixel(gif, L"gone.gif"), 0u);
    EXPECT_TRUE(PumpUntil([&] { return !gif.IsPlaying(); }, 1000));
}

TEST_F(GifPlayback, ClearingDoesNotWaitOutALongDelay) {
    ASSERT_TRUE(WriteBytes(L"slow.gif", EncodeGif({{1, 1000}, {3, 1000}})));
    gif.AddPicture(TestFolder(), L"slow.gif", target.GetHandle());
    ASSERT_TRUE(PumpUntil([&] { return !target.times.empty(); }, 2000));
    EXPECT_EQ(DrawnPixel(gif, L"slow.gif"), Opaque(0x00FF00)); // the first frame
    const ULONGLONG start = GetTickCount64();
    gif.ClearPictures();
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_FALSE(gif.IsPlaying());
    EXPECT_EQ(DrawnPixel(gif, L"slow.gif"), 0u);
}

TEST_F(GifPlayback, BrokenFilesAreLeftOut) {
    std::mt19937 rng(16);
    const std::string good = EncodeGif({{0, 10}, {1, 10}});
    for (int i = 0; i < 40; ++i) {
        std::string bytes = good;
        if (i % 4 == 0)
            bytes.resize(1 + rng() % (bytes.size() - 1));
        for (int k = 0; k < 1 + i % 6; ++k)
            bytes[rng() % bytes.size()] = static_cast<char>(rng());
        if (i % 10 == 9)
            for (char& c : bytes)
                c = static_cast<char>(rng());
        const std::wstring name = L"broken" + std::to_wstring(i) + L".gif";
        ASSERT_TRUE(WriteBytes(name, bytes));
        gif.AddPicture(TestFolder(), name, target.GetHandle());
        DrawnPixel(gif, name);
    }
    PumpFor(200);
    ASSERT_TRUE(WriteBytes(L"noise.gif", std::string(64, '\x5A')));
    gif.AddPicture(TestFolder(), L"noise.gif", target.GetHandle());
    EXPECT_EQ(DrawnPixel(gif, L"noise.gif"), 0u);
    // names never leave the folder given
    gif.AddPicture(TestFolder(), L"..\\giftest\\noise.gif", target.GetHandle());
    EXPECT_EQ(DrawnPixel(gif, L"..\\giftest\\noise.gif"), 0u);
}

TEST(MerlaGifWindow, HoverShowsTheDeleteBoxAndAClickInItTellsTheParent) {
    ASSERT_TRUE(WriteBytes(L"preview.gif", EncodeGif({{0, 10}, {3, 10}})));
    FrameLog parent;
    ASSERT_TRUE(parent.CreateTop(-400, -400, 120, 100, true));
    MerlaGif preview;
    preview.SetPicture(TestFolder(), L"preview.gif");
    ASSERT_TRUE(preview.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 100, 80, parent.GetHandle()));
    const int box_left = 100 - 2 - 24;

    LSurface plain = preview.RenderContent();
    EXPECT_NE(plain.Pixel(10, 40), 0u); // the picture
    EXPECT_NE(plain.Pixel(box_left, 2), Opaque(0xFB5A45));

    SendMessageW(preview.GetHandle(), WM_MOUSEHOVER, 0, MAKELPARAM(90, 10));
    LSurface hovered = preview.RenderContent();
    EXPECT_EQ(hovered.Pixel(box_left, 2), Opaque(0xFB5A45));
    EXPECT_EQ(hovered.Pixel(box_left + 23, 2 + 23), Opaque(0xFB5A45));

    SendMessageW(preview.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(preview.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    PumpFor(50);
    EXPECT_EQ(parent.deleted, 0); // outside the box
    SendMessageW(preview.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(box_left + 12, 14));
    SendMessageW(preview.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(box_left + 12, 14));
    EXPECT_TRUE(PumpUntil([&] { return parent.deleted == 1; }, 1000));
    EXPECT_EQ(preview.RenderContent().Pixel(10, 40), 0u);
}
