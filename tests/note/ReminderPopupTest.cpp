// A note as its own reminder: what message 50017 turns on from the note's "prompt.xml", and what
// stopping puts back.
#include "tests/toolkit/GifWriter.h"
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "note/MerlaItem.h"
#include "note/MerlaMenuStopPrompt.h"
#include "reminder/CPromptFile.h"
#include "reminder/ReminderStopStamps.h"
#include "store/NoteRecord.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>

namespace {

std::unique_ptr<MerlaItem> NoteAt(const std::wstring& name, const NoteRect& rect) {
    NoteRecord record = NoteRecord::ForNote(NoteFolder(name), name, 0);
    record.WriteText(NoteKey::kUnique, name);
    record.WriteRect(rect);
    auto note = std::make_unique<MerlaItem>(name);
    EXPECT_TRUE(note->Create(0, L"", MerlaItem::kExStyle, MerlaItem::kStyle, rect.left, rect.top,
                             rect.right - rect.left, rect.bottom - rect.top, nullptr));
    PumpMessages();
    return note;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// Two seconds of a loud square wave, 8 kHz, 8-bit mono.
std::string ToneWav() {
    constexpr uint32_t kRate = 8000, kBytes = 2 * kRate;
    std::string b = "RIFF";
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    put(36 + kBytes, 4);
    b += "WAVEfmt ";
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(kRate, 4);
    put(kRate, 4);
    put(1, 2);
    put(8, 2);
    b += "data";
    put(kBytes, 4);
    for (uint32_t i = 0; i < kBytes; ++i)
        b.push_back(static_cast<char>((i / 9) % 2 ? 0xE0 : 0x20));
    return b;
}

// Bytes of what the sound device was given in this test's run, when the run captures it.
bool HeardSomething(size_t& bytes) {
    bytes = 0;
    if (GetEnvironmentVariableW(L"ALSA_CONFIG_PATH", nullptr, 0) == 0)
        return false;
    FILE* f = _wfopen((ExeDir() + L"played.raw").c_str(), L"rb");
    if (!f)
        return true;
    int c;
    while ((c = fgetc(f)) != EOF)
        if (c != 0 && c != 0x80) // silence in 16-bit or 8-bit samples
            ++bytes;
    fclose(f);
    return true;
}

void Fire(MerlaItem& note) {
    SendMessageW(note.GetHandle(), NoteMsg::kReminderFires, 0, 0);
    PumpMessages();
}

} // namespace

TEST(ReminderPopup, CentredAndWobblingUntilStoppedThenBackWithTheStopMinute) {
    auto note = NoteAt(L"remind_centre", {40, 50, 220, 230});
    CPromptFile prompt(note->Folder());
    ASSERT_TRUE(prompt.AddStyle(L"居中", 4));
    ASSERT_TRUE(prompt.AddStyle(L"晃动", 2));
    ReminderStopStamps::Set(note->GetHandle(), L"2026-01-01 00:00");
    Fire(*note);
    EXPECT_TRUE(note->IsReminding());
    // The starting reminder forgets the earlier stop.
    EXPECT_EQ(L"", ReminderStopStamps::Get(note->GetHandle()));
    MONITORINFO mi{sizeof(mi)};
    GetMonitorInfoW(MonitorFromWindow(note->GetHandle(), MONITOR_DEFAULTTONEAREST), &mi);
    RECT r = note->WindowRect();
    EXPECT_NEAR((r.left + r.right) / 2, (mi.rcWork.left + mi.rcWork.right) / 2, 1);
    EXPECT_EQ(10u, note->ShakeEntries().size());
    EXPECT_TRUE(PumpUntil([&] { return note->ShakeStep() >= 3; }, 2000));

    // A click opens the stop menu; its one command stops.
    note->OnClick(0, 90, 90);
    EXPECT_NE(nullptr, LWnd::HandleFromId(MerlaMenuStopPrompt::kId));
    SendMessageW(note->GetHandle(), LNotify::kCommand, MerlaMenuStopPrompt::kStopCommand, 0);
    PumpMessages();
    EXPECT_FALSE(note->IsReminding());
    EXPECT_EQ(0, note->ShakeStep());
    r = note->WindowRect();
    EXPECT_EQ(40, r.left);
    EXPECT_EQ(50, r.top);
    EXPECT_EQ(ReminderStopStamps::CurrentMinuteStamp(), ReminderStopStamps::Get(note->GetHandle()));
    if (HWND menu = LWnd::HandleFromId(MerlaMenuStopPrompt::kId))
        DestroyWindow(menu);
}

TEST(ReminderPopup, MusicShowsItsPathAndOnlyFilesInTheNoteFolderAreUsed) {
    auto note = NoteAt(L"remind_music", {300, 50, 480, 230});
    CPromptFile prompt(note->Folder());
    // Neither a path outside the folder nor a missing file plays or changes the paper.
    ASSERT_TRUE(prompt.SetMusic(L"..\\song.wav", L"C:\\music\\song.wav"));
    ASSERT_TRUE(prompt.SetGif(L"..\\..\\x.gif"));
    const uint32_t paper = note->BackBuffer().Pixel(90, 90);
    Fire(*note);
    EXPECT_FALSE(note->Sound().IsOpen());
    EXPECT_TRUE(note->GifName().empty());
    EXPECT_TRUE(IsWindowVisible(note->ReminderLabel().GetHandle()));
    wchar_t shown[64] = {};
    GetWindowTextW(note->ReminderLabel().GetHandle(), shown, 64);
    EXPECT_STREQ(L"C:\\music\\song.wav", shown);
    EXPECT_TRUE(note->ReminderLabel().IsScrolling());
    EXPECT_EQ(paper, note->BackBuffer().Pixel(90, 90));
    SendMessageW(note->GetHandle(), LNotify::kCommand, NoteCmd::kStopReminder, 0);
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(note->ReminderLabel().GetHandle()));
}

TEST(ReminderPopup, WaveIsHeardAndRestartedAndTheGifPlaysOnThePaperUntilStopped) {
    auto note = NoteAt(L"remind_media", {600, 50, 780, 230});
    const std::wstring folder = note->Folder();
    ASSERT_TRUE(WriteBytes(folder + L"tone.wav", ToneWav()));
    const std::wstring gif = L"20260101000000000_20100_gif_flash.gif";
    ASSERT_TRUE(WriteBytes(folder + gif, EncodeGif({{0, 10}, {2, 10}})));
    CPromptFile prompt(folder);
    ASSERT_TRUE(prompt.SetMusic(L"tone.wav", L"C:\\music\\tone.wav"));
    ASSERT_TRUE(prompt.SetGif(gif));
    Fire(*note);
    ASSERT_TRUE(note->Sound().IsOpen());
    EXPECT_EQ(gif, note->GifName());
    // The paper shows the picture's frames in turn: red, then blue.
    std::set<uint32_t> seen;
    PumpUntil(
        [&] {
            seen.insert(note->BackBuffer().Pixel(90, 90) & 0xFFFFFF);
            return seen.count(0xFF0000) && seen.count(0x0000FF);
        },
        3000);
    EXPECT_TRUE(seen.count(0xFF0000));
    EXPECT_TRUE(seen.count(0x0000FF));

    // Firing again starts the music over.
    PumpFor(500);
    MCI_STATUS_PARMS before{};
    before.dwItem = MCI_STATUS_POSITION;
    ASSERT_EQ(0u, mciSendCommandW(note->Sound().DeviceId(), MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT,
                                  reinterpret_cast<DWORD_PTR>(&before)));
    Fire(*note);
    EXPECT_TRUE(note->Sound().IsOpen());
    MCI_STATUS_PARMS status{};
    status.dwItem = MCI_STATUS_POSITION;
    ASSERT_EQ(0u, mciSendCommandW(note->Sound().DeviceId(), MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT,
                                  reinterpret_cast<DWORD_PTR>(&status)));
    EXPECT_LT(status.dwReturn, before.dwReturn);
    PumpFor(1000);
    size_t heard = 0;
    if (HeardSomething(heard)) {
        EXPECT_GT(heard, 1000u); // the tone reached the sound device
    }

    SendMessageW(note->GetHandle(), LNotify::kCommand, NoteCmd::kStopReminder, 0);
    PumpMessages();
    EXPECT_FALSE(note->Sound().IsOpen());
    EXPECT_TRUE(note->GifName().empty());
}

TEST(ReminderPopup, ANoteWithoutAReminderFileStillRemindsAndATinyOneDoesNotWobble) {
    auto note = NoteAt(L"remind_none", {500, 300, 501, 301});
    EXPECT_TRUE(note->ShakeEntries().empty());
    Fire(*note);
    EXPECT_TRUE(note->IsReminding());
}
