// A note as its own reminder: what message 50017 turns on from the note's "prompt.xml", and what
// stopping puts back.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "note/MerlaItem.h"
#include "note/MerlaMenuStopPrompt.h"
#include "reminder/CPromptFile.h"
#include "reminder/ReminderStopStamps.h"
#include "store/NoteRecord.h"

#include <gtest/gtest.h>

#include <memory>

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

TEST(ReminderPopup, ANoteWithoutAReminderFileStillRemindsAndATinyOneDoesNotWobble) {
    auto note = NoteAt(L"remind_none", {500, 300, 501, 301});
    EXPECT_TRUE(note->ShakeEntries().empty());
    Fire(*note);
    EXPECT_TRUE(note->IsReminding());
}
