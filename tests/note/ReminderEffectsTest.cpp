// What a reminder does to a note besides its picture: the wobble's corner table and its drawing, the
// music path running along the bottom, and the music device.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "note/ReminderSound.h"
#include "note/ShakeTable.h"
#include "toolkit/MerlaDraw.h"
#include "toolkit/MerlaLabelAnimate.h"

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using Corners = std::array<int, 8>; // upper-left, upper-right, lower-left, lower-right

Corners Flat(const ShakeEntry& e) {
    return {e.upper_left.x, e.upper_left.y, e.upper_right.x, e.upper_right.y,
            e.lower_left.x, e.lower_left.y, e.lower_right.x, e.lower_right.y};
}

int Covered(const LSurface& s, int x0, int x1) {
    int n = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = x0; x < x1; ++x)
            n += (s.Pixel(x, y) >> 24) != 0;
    return n;
}

} // namespace

TEST(ShakeTable, SquareNoteTurnsToAndFroThroughTenFrames) {
    const auto table = BuildShakeTable({0, 0, 180, 180}, -9);
    ASSERT_EQ(table.size(), 10u);
    const Corners plain{0, 0, 180, 0, 0, 180, 180, 180};
    const Corners turned{21, 0, 180, 21, 0, 158, 158, 180};
    const Corners back{0, 21, 158, 0, 21, 180, 180, 158};
    EXPECT_EQ(Flat(table[0]), plain);
    EXPECT_EQ(Flat(table[9]), plain);
    for (size_t i = 1; i < 9; i += 2) {
        EXPECT_EQ(Flat(table[i]), turned);
        EXPECT_EQ(Flat(table[i + 1]), back);
    }
}

TEST(ShakeTable, WideNoteAwayFromTheOrigin) {
    const auto table = BuildShakeTable({10, 20, 310, 120}, -9);
    ASSERT_EQ(table.size(), 10u);
    EXPECT_EQ(Flat(table[0]), (Corners{10, 20, 310, 20, 10, 120, 310, 120}));
    EXPECT_EQ(Flat(table[1]), (Corners{58, 20, 310, 42, 10, 97, 261, 120}));
    EXPECT_EQ(Flat(table[2]), (Corners{10, 42, 261, 20, 58, 120, 310, 97}));
}

TEST(ShakeTable, NoteWithoutTwoPixelsEachWayGetsNone) {
    EXPECT_TRUE(BuildShakeTable({0, 0, 1, 100}, -9).empty());
    EXPECT_TRUE(BuildShakeTable({0, 0, 100, 1}, -9).empty());
    EXPECT_TRUE(BuildShakeTable({5, 5, 5, 5}, -9).empty());
    EXPECT_EQ(BuildShakeTable({0, 0, 2, 2}, -9).size(), 10u);
}

TEST(ShakeTable, ShakenPictureLeavesTheCornersClear) {
    const auto table = BuildShakeTable({0, 0, 180, 180}, -9);
    LSurface note(180, 180);
    note.Fill(0xFFFF0000);
    LSurface target(180, 180);
    target.Fill(0xFF0000FF);
    ASSERT_TRUE(DrawShaken(target, note, table[1]));
    EXPECT_EQ(target.Pixel(2, 2), 0u);
    EXPECT_EQ(target.Pixel(177, 177), 0u);
    EXPECT_EQ(target.Pixel(90, 90), Opaque(0xFF0000));
    // Drawn onto itself, as the note's back buffer is.
    ASSERT_TRUE(DrawShaken(note, note, table[2]));
    EXPECT_EQ(note.Pixel(177, 2), 0u);
    EXPECT_EQ(note.Pixel(90, 90), Opaque(0xFF0000));
}

class ScrollingLabel : public ::testing::Test {
protected:
    static constexpr int kWidth = 200, kHeight = 24;
    const std::wstring text_ = L"D:\\音乐\\提醒.wav";

    void SetUp() override {
        ASSERT_TRUE(top_.CreateTop(0, 0, kWidth, kHeight));
        ASSERT_TRUE(
            label_.Create(0, text_, 0, WS_CHILD | WS_VISIBLE, 0, 0, kWidth, kHeight, top_.GetHandle()));
    }

    ColorWnd top_;
    MerlaLabelAnimate label_;
};

TEST_F(ScrollingLabel, CrossesInTenSecondsAndStartsAgain) {
    label_.StartScrolling();
    const int text_width = static_cast<int>(std::ceil(MeasureUiText(text_, kAlignNear).width));
    ASSERT_GT(text_width, 40);
    const int travel = text_width + kWidth;
    EXPECT_EQ(label_.Travel(), travel);
    EXPECT_EQ(label_.Offset(), 0);
    for (int ms = 0; ms < 5000; ms += 50)
        label_.Step(50);
    EXPECT_EQ(label_.Offset(), travel / 2);
    for (int ms = 5000; ms < 10000; ms += 50)
        label_.Step(50);
    EXPECT_EQ(label_.Offset(), travel);
    label_.Step(1000);
    EXPECT_EQ(label_.Offset(), travel / 10);
}

TEST_F(ScrollingLabel, TextEntersAtTheRightEdge) {
    label_.StartScrolling();
    EXPECT_EQ(Covered(label_.RenderContent(), 0, kWidth), 0);
    label_.Step(1000);
    const int offset = label_.Offset();
    ASSERT_GT(offset, 20);
    const LSurface s = label_.RenderContent();
    EXPECT_GT(Covered(s, kWidth - offset, kWidth), 20);
    EXPECT_EQ(Covered(s, 0, kWidth - offset - 1), 0);
}

TEST_F(ScrollingLabel, RunsOnItsTimerUntilStopped) {
    label_.StartScrolling();
    EXPECT_TRUE(PumpUntil([&] { return label_.Offset() > 0; }, 2000));
    label_.StopScrolling();
    PumpFor(200);
    EXPECT_EQ(label_.Offset(), 0);
}

namespace {

// A mono 8-bit PCM WAV of silence, long enough to be still playing when looked at.
bool WriteWav(const std::wstring& path, int seconds) {
    constexpr uint32_t kRate = 8000;
    const uint32_t data = kRate * static_cast<uint32_t>(seconds);
    std::string bytes;
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    bytes += "RIFF";
    put(36 + data, 4);
    bytes += "WAVEfmt ";
    put(16, 4);
    put(1, 2); // PCM, one channel
    put(1, 2);
    put(kRate, 4); // samples and bytes per second
    put(kRate, 4);
    put(1, 2); // one byte per sample
    put(8, 2);
    bytes += "data";
    put(data, 4);
    bytes.append(data, static_cast<char>(0x80));
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

MCIERROR Status(unsigned device, DWORD item, DWORD_PTR& value) {
    MCI_STATUS_PARMS status{};
    status.dwItem = item;
    const MCIERROR e =
        mciSendCommandW(device, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&status));
    value = status.dwReturn;
    return e;
}

} // namespace

TEST(ReminderSound, MissingFileOrFolderOpensNothing) {
    ReminderSound sound;
    EXPECT_FALSE(sound.Play(ExeDir() + L"no-such-music.wav"));
    EXPECT_FALSE(sound.IsOpen());
    EXPECT_FALSE(sound.Play(ExeDir()));
    EXPECT_FALSE(sound.IsOpen());
    EXPECT_FALSE(sound.Play(L""));
    EXPECT_FALSE(sound.IsOpen());
}

// The device, its position and its closing; what the device was given is the popup test's.
TEST(ReminderSound, WaveFileOpensOnTheWaveDeviceAndPlayingAgainStartsOver) {
    const std::wstring path = ExeDir() + L"reminder-tone.wav";
    ASSERT_TRUE(WriteWav(path, 3));
    ReminderSound sound;
    ASSERT_TRUE(sound.Play(path));
    ASSERT_TRUE(sound.IsOpen());
    const unsigned first = sound.DeviceId();
    MCI_GETDEVCAPS_PARMS caps{};
    caps.dwItem = MCI_GETDEVCAPS_DEVICE_TYPE;
    ASSERT_EQ(mciSendCommandW(first, MCI_GETDEVCAPS, MCI_GETDEVCAPS_ITEM | MCI_WAIT,
                              reinterpret_cast<DWORD_PTR>(&caps)),
              0u);
    EXPECT_EQ(caps.dwReturn, static_cast<DWORD_PTR>(MCI_DEVTYPE_WAVEFORM_AUDIO));

    // Move the first device into the music, as if it had played a while.
    MCI_SEEK_PARMS seek{};
    seek.dwTo = 1500;
    ASSERT_EQ(mciSendCommandW(first, MCI_SEEK, MCI_TO | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&seek)), 0u);
    DWORD_PTR position = 0;
    ASSERT_EQ(Status(first, MCI_STATUS_POSITION, position), 0u);
    ASSERT_GT(position, 0u);

    ASSERT_TRUE(sound.Play(path));
    ASSERT_EQ(Status(sound.DeviceId(), MCI_STATUS_POSITION, position), 0u);
    EXPECT_LT(position, 1500u);
    // The first device is gone, not left open beside the new one (its id may be handed out again).
    const MCIERROR old = Status(first, MCI_STATUS_POSITION, position);
    EXPECT_TRUE(old != 0 || position < 1500u);

    const unsigned second = sound.DeviceId();
    sound.Stop();
    EXPECT_FALSE(sound.IsOpen());
    EXPECT_EQ(Status(second, MCI_STATUS_POSITION, position), static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));
    DeleteFileW(path.c_str());
}

TEST(ReminderSound, DestructorClosesTheDevice) {
    const std::wstring path = ExeDir() + L"reminder-tone.wav";
    ASSERT_TRUE(WriteWav(path, 1));
    unsigned device = 0;
    {
        ReminderSound sound;
        ASSERT_TRUE(sound.Play(path));
        device = sound.DeviceId();
    }
    DWORD_PTR position = 0;
    EXPECT_EQ(Status(device, MCI_STATUS_POSITION, position), static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));
    DeleteFileW(path.c_str());
}
