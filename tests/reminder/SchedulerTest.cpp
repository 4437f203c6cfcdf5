#include "reminder/CPromptFile.h"
#include "reminder/ChosenExecFiles.h"
#include "reminder/LunarCalendar.h"
#include "reminder/ReminderScheduler.h"
#include "reminder/ReminderStopStamps.h"
#include "app/base/AppPaths.h"
#include "store/xml/CXmlDoc.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <thread>

namespace {

std::wstring Minutes(std::initializer_list<int> values) {
    std::wstring s = L"<Minute>\r\n";
    for (int v : values)
        s += L"<item value=\"" + std::to_wstring(v) + L"\">" + std::to_wstring(v) + L"分</item>\r\n";
    return s + L"</Minute>\r\n";
}

std::wstring Group(const std::wstring& body) {
    return L"<TimeGroup Identify=\"g\" DateTime=\"2026-01-01 00:00:00\">\r\n" + body + L"</TimeGroup>\r\n";
}

void WriteXml(const std::wstring& path, const std::wstring& text) {
    CXmlDoc doc;
    doc.SetDoc(text);
    ASSERT_TRUE(doc.Save(path)) << testing::PrintToString(path);
}

std::wstring ReadText(const std::wstring& path) {
    CXmlDoc doc;
    doc.Load(path);
    return doc.GetDoc();
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class Scheduler : public testing::Test {
protected:
    void SetUp() override {
        ReminderStopStamps::Clear();
        scheduler_.SetClock([this] { return now_; });
        SetTime(2026, 3, 9, 10, 30);
    }
    void TearDown() override {
        scheduler_.Stop();
        for (auto& [id, w] : windows_)
            DestroyWindow(w);
    }

    void SetTime(int y, int mo, int d, int h, int mi) {
        now_ = {y, mo, d, (DayIndex(y, mo, d) + 2) % 7, h, mi};
    }

    // A note folder with its record and reminder file, and a window for it unless hidden.
    HWND AddNote(const std::wstring& base, const std::wstring& name, int id, const std::wstring& prompt_body,
                 bool hidden = false) {
        const std::wstring folder = base + name + L"\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        WriteXml(folder + name + L".xml", L"<MerlaItem>\r\n<ID>" + std::to_wstring(id) +
                                              L"</ID>\r\n<ishide>" + (hidden ? L"1" : L"0") +
                                              L"</ishide>\r\n</MerlaItem>\r\n");
        WriteXml(folder + L"prompt.xml",
                 L"<MerlaPrompt>\r\n<ID>1</ID>\r\n" + prompt_body + L"</MerlaPrompt>\r\n");
        HWND w = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        EXPECT_NE(w, nullptr);
        windows_[id] = w;
        return w;
    }

    // Reminders that reached the window since the last call.
    static int Reminds(HWND w) {
        MSG m;
        int n = 0;
        while (PeekMessageW(&m, w, ReminderScheduler::kMsgNoteRemind, ReminderScheduler::kMsgNoteRemind,
                            PM_REMOVE))
            ++n;
        return n;
    }

    // The four evaluations a matching minute sees at a 15-second period.
    void RunMinute() {
        for (int i = 0; i < 4; ++i)
            scheduler_.RunPass();
    }

    MatchTime now_;
    std::map<int, HWND> windows_;
    ReminderScheduler scheduler_{[this](int id) {
        const auto it = windows_.find(id);
        return it == windows_.end() ? HWND{} : it->second;
    }};
};

} // namespace

TEST_F(Scheduler, MinuteThirtyFiresOncePerHour) {
    HWND w = AddNote(NoteItemsDir(), L"n1", 100001, Group(Minutes({30})));
    RunMinute();
    EXPECT_EQ(Reminds(w), 1);
    EXPECT_EQ(scheduler_.FiredStamp(L"n1"), L"2026-03-09 10:30");
    SetTime(2026, 3, 9, 10, 31);
    RunMinute();
    EXPECT_EQ(Reminds(w), 0);
    EXPECT_EQ(scheduler_.FiredStamp(L"n1"), L""); // the run of matches ended
    SetTime(2026, 3, 9, 11, 30);
    RunMinute();
    EXPECT_EQ(Reminds(w), 1);
}

TEST_F(Scheduler, ConsecutiveMatchingMinutesAreOneRun) {
    HWND w = AddNote(NoteItemsDir(), L"n1", 100001, Group(Minutes({30, 31})));
    RunMinute();
    SetTime(2026, 3, 9, 10, 31);
    RunMinute();
    EXPECT_EQ(Reminds(w), 1);
}

TEST_F(Scheduler, AGapInTheEvaluationsEndsTheRun) {
    // Fired on Monday at 9:00, then the computer slept until Tuesday 9:00: that reminder is due too.
    HWND w = AddNote(NoteItemsDir(), L"n1", 100001,
                     Group(Minutes({0}) + L"<Hour>\r\n<item value=\"9\">9时</item>\r\n</Hour>\r\n"));
    SetTime(2026, 3, 9, 9, 0);
    scheduler_.RunPass();
    EXPECT_EQ(Reminds(w), 1);
    SetTime(2026, 3, 10, 9, 0);
    scheduler_.RunPass();
    EXPECT_EQ(Reminds(w), 1);
    // Across midnight the minutes still follow on: 23:59 then 00:00 is one run.
    HWND v = AddNote(NoteItemsDir(), L"n2", 100002, Group(Minutes({59, 0})));
    SetTime(2026, 12, 31, 23, 59);
    scheduler_.RunPass();
    SetTime(2027, 1, 1, 0, 0);
    scheduler_.RunPass();
    EXPECT_EQ(Reminds(v), 1);
}

TEST_F(Scheduler, TwoNotesInTheSameMinuteEachFireOnce) {
    HWND a = AddNote(NoteItemsDir(), L"a", 100001, Group(Minutes({30})));
    const std::wstring group_base = GroupItemsDir() + L"工作\\";
    CreateDirectoryW(group_base.c_str(), nullptr);
    HWND b = AddNote(group_base, L"b", 100002, Minutes({30})); // old layout, in a group folder
    RunMinute();
    EXPECT_EQ(Reminds(a), 1);
    EXPECT_EQ(Reminds(b), 1);
}

TEST_F(Scheduler, OnceOnlyGroupFiresOnceAndTheFileHoldsZero) {
    HWND w =
        AddNote(NoteItemsDir(), L"n1", 100001, Group(Minutes({30}) + L"<PromptCount>1</PromptCount>\r\n"));
    RunMinute();
    EXPECT_EQ(Reminds(w), 1);
    const std::wstring text = ReadText(NoteFolder(L"n1") + L"prompt.xml");
    EXPECT_NE(text.find(L"<PromptCount>0</PromptCount>"), std::wstring::npos) << testing::PrintToString(text);
    SetTime(2026, 3, 9, 11, 30);
    RunMinute();
    EXPECT_EQ(Reminds(w), 0);
}

TEST_F(Scheduler, OnceOnlyGroupIsUsedUpEvenWhenTheDecisionIsNothing) {
    // The user stopped this note in the current minute, so it does not fire, but the count goes.
    HWND w =
        AddNote(NoteItemsDir(), L"n1", 100001, Group(Minutes({30}) + L"<PromptCount>1</PromptCount>\r\n"));
    ReminderStopStamps::Set(w, L"2026-03-09 10:30");
    scheduler_.RunPass();
    EXPECT_EQ(Reminds(w), 0);
    EXPECT_NE(ReadText(NoteFolder(L"n1") + L"prompt.xml").find(L"<PromptCount>0</PromptCount>"),
              std::wstring::npos);
}

TEST_F(Scheduler, StoppingWithinTheMinuteSuppressesFurtherFirings) {
    HWND w = AddNote(NoteItemsDir(), L"n1", 100001, Group(Minutes({30, 31})));
    scheduler_.RunPass();
    EXPECT_EQ(Reminds(w), 1);
    ReminderStopStamps::Set(w, L"2026-03-09 10:30"); // the user stops it at once
    scheduler_.RunPass();
    EXPECT_EQ(scheduler_.FiredStamp(L"n1"), L""); // the fired entry is gone...
    scheduler_.RunPass();
    scheduler_.RunPass();
    EXPECT_EQ(Reminds(w), 0); // ...and still nothing fires in that minute
    // The group still matches in the next minute: it reminds again.
    SetTime(2026, 3, 9, 10, 31);
    RunMinute();
    EXPECT_EQ(Reminds(w), 1);
}

TEST_F(Scheduler, StoppedInTheMinuteItFiredRemindsAgainInTheNextMatchingMinute) {
    HWND w = AddNote(NoteItemsDir(), L"n1", 100001, Group(Minutes({30, 31})));
    scheduler_.RunPass();
    EXPECT_EQ(Reminds(w), 1);
    ReminderStopStamps::Set(w, L"2026-03-09 10:30");
    SetTime(2026, 3, 9, 10, 31); // the next evaluation already falls in the next minute
    scheduler_.RunPass();
    EXPECT_EQ(Reminds(w), 1);
    ReminderStopStamps::Remove(w); // the reminder started on the note
    RunMinute();
    EXPECT_EQ(Reminds(w), 0);
}

TEST_F(Scheduler, NotesWithoutWindowsOrValidRecordsAreSkipped) {
    HWND shown = AddNote(NoteItemsDir(), L"shown", 100001, Group(Minutes({30})));
    HWND hidden = AddNote(NoteItemsDir(), L"hidden", 100002, Group(Minutes({30})), true);
    AddNote(NoteItemsDir(), L"closed", 100003, Group(Minutes({30})));
    DestroyWindow(windows_[100003]);
    windows_.erase(100003); // no window open for it
    HWND zero = AddNote(NoteItemsDir(), L"zero", 0, Group(Minutes({30})));
    HWND broken = AddNote(NoteItemsDir(), L"broken", 100004, Group(Minutes({30})));
    WriteXml(NoteFolder(L"broken") + L"broken.xml", L"<MerlaItem><ID>100004</ID>");
    HWND other = AddNote(NoteItemsDir(), L"other", 100005, Group(Minutes({30})));
    WriteXml(NoteFolder(L"other") + L"prompt.xml",
             L"<TplItem>\r\n" + Group(Minutes({30})) + L"</TplItem>\r\n");
    RunMinute();
    EXPECT_EQ(Reminds(shown), 1);
    EXPECT_EQ(Reminds(hidden), 0);
    EXPECT_EQ(Reminds(zero), 0);
    EXPECT_EQ(Reminds(broken), 0);
    EXPECT_EQ(Reminds(other), 0);
}

TEST_F(Scheduler, ARewrittenRecordIsReadAgain) {
    HWND first = AddNote(NoteItemsDir(), L"n1", 100001, Group(Minutes({30})));
    RunMinute();
    EXPECT_EQ(Reminds(first), 1);
    // The same note now carries another id (same record size), whose window is elsewhere.
    HWND second = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    windows_[100002] = second;
    Sleep(20);
    WriteXml(NoteFolder(L"n1") + L"n1.xml",
             L"<MerlaItem>\r\n<ID>100002</ID>\r\n<ishide>0</ishide>\r\n</MerlaItem>\r\n");
    SetTime(2026, 3, 9, 11, 30);
    RunMinute();
    EXPECT_EQ(Reminds(first), 0);
    EXPECT_EQ(Reminds(second), 1);
    // A note whose record disappears is no longer evaluated.
    DeleteFileW((NoteFolder(L"n1") + L"n1.xml").c_str());
    SetTime(2026, 3, 9, 12, 30);
    RunMinute();
    EXPECT_EQ(Reminds(second), 0);
}

TEST_F(Scheduler, FilesToRunAreStartedWhenTheNoteFires) {
    const std::wstring marker = ExeDir() + L"ran.txt";
    const std::wstring script = ExeDir() + L"mark.bat";
    FILE* f = _wfopen(script.c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    std::string narrow(marker.begin(), marker.end()); // the scratch folder's path is plain ASCII
    fprintf(f, "@echo ran> \"%s\"\r\n", narrow.c_str());
    fclose(f);
    HWND w = AddNote(NoteItemsDir(), L"n1", 100001,
                     L"<ExecFile>\r\n<item FilePath=\"" + ExeDir() +
                         L"gone.bat\">gone.bat</item>\r\n<item FilePath=\"" + script +
                         L"\">mark.bat</item>\r\n</ExecFile>\r\n" + Group(Minutes({30})));
    ASSERT_TRUE(ChosenExecFiles::Remember(script));
    RunMinute();
    EXPECT_EQ(Reminds(w), 1);
    for (int i = 0; i < 300 && !Exists(marker); ++i)
        Sleep(100);
    EXPECT_TRUE(Exists(marker));
}

TEST_F(Scheduler, InjectedRunnerSeesOnlyExistingFilesChosenHereOncePerFiring) {
    std::vector<std::wstring> ran;
    scheduler_.SetRunner([&ran](const std::wstring& path) { ran.push_back(path); });
    const std::wstring present = ExeDir() + L"present.txt";
    const std::wstring unchosen = ExeDir() + L"unchosen.txt";
    WriteXml(present, L"<x/>");
    WriteXml(unchosen, L"<x/>");
    AddNote(NoteItemsDir(), L"n1", 100001,
            L"<ExecFile>\r\n<item FilePath=\"C:\\nowhere\\x.bat\">x.bat</item>\r\n<item FilePath=\"" +
                present + L"\">present.txt</item>\r\n<item FilePath=\"" + ExeDir() +
                L"\">folder</item>\r\n<item FilePath=\"" + unchosen +
                L"\">unchosen.txt</item>\r\n</ExecFile>\r\n" + Group(Minutes({30})));
    ASSERT_TRUE(ChosenExecFiles::Remember(ExeDir()));
    ASSERT_TRUE(ChosenExecFiles::Remember(L"C:\\nowhere\\x.bat"));
    // Picked in another case: paths compare without it.
    std::wstring upper = present;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    ASSERT_TRUE(ChosenExecFiles::Remember(upper));
    ASSERT_TRUE(ChosenExecFiles::Forget(unchosen));
    RunMinute();
    ASSERT_EQ(ran.size(), 1u);
    EXPECT_EQ(ran[0], present);
}

TEST_F(Scheduler, ThreadRunsPassesUntilItsPauseSaysStop) {
    HWND w = AddNote(NoteItemsDir(), L"n1", 100001, Group(Minutes({30})));
    std::atomic<int> passes{0};
    std::atomic<DWORD> period{0};
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    scheduler_.SetPause([&](HANDLE, DWORD ms) {
        period = ms;
        // 15 seconds go by: four passes per minute, from 10:30 to 10:31.
        if (++passes == 4)
            SetTime(2026, 3, 9, 10, 31);
        if (passes < 8)
            return true;
        SetEvent(done);
        return false;
    });
    ASSERT_TRUE(scheduler_.Start());
    EXPECT_EQ(WaitForSingleObject(done, 20000), WAIT_OBJECT_0);
    scheduler_.Stop();
    CloseHandle(done);
    EXPECT_FALSE(scheduler_.Running());
    EXPECT_EQ(passes, 8);
    EXPECT_EQ(period, ReminderScheduler::kPeriodMs);
    EXPECT_EQ(Reminds(w), 1);
}

TEST_F(Scheduler, StopEndsTheWaitAtOnce) {
    // The real pause waits on the stop event, not on a plain 15-second sleep.
    ReminderScheduler real([](int) { return HWND{}; });
    ASSERT_TRUE(real.Start());
    EXPECT_TRUE(real.Running());
    Sleep(300);
    const DWORD begin = GetTickCount();
    real.Stop();
    EXPECT_LT(GetTickCount() - begin, 5000u);
    EXPECT_FALSE(real.Running());
    real.Stop(); // stopping twice is harmless
}

TEST_F(Scheduler, EditorWritesAndCountStepsDoNotLoseEachOther) {
    HWND w =
        AddNote(NoteItemsDir(), L"n1", 100001, Group(Minutes({30}) + L"<PromptCount>1</PromptCount>\r\n"));
    constexpr int kLabels = 60;
    std::thread editor([] {
        CPromptFile file(NoteFolder(L"n1"));
        for (int i = 0; i < kLabels; ++i)
            file.AddTimeLabel(PromptList::kHour, L"h", std::to_wstring(i) + L"时", i);
    });
    for (int i = 0; i < 40; ++i)
        scheduler_.RunPass();
    editor.join();
    EXPECT_EQ(Reminds(w), 1);
    const std::wstring text = ReadText(NoteFolder(L"n1") + L"prompt.xml");
    EXPECT_NE(text.find(L"<PromptCount>0</PromptCount>"), std::wstring::npos);
    for (int i = 0; i < kLabels; ++i)
        EXPECT_NE(text.find(L">" + std::to_wstring(i) + L"时<"), std::wstring::npos) << i;
}
