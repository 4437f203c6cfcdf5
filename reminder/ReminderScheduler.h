#pragma once
// The reminder thread: every 15 seconds it walks all note folders, tests each open note's
// "prompt.xml" against the local minute and, when a group is due, runs the note's files and posts
// kMsgNoteRemind to the note window. The clock, the pause between passes, the window lookup and the
// file runner can be replaced, so a pass can be run at any chosen time without waiting.
#include "reminder/NoteRecordKeys.h"
#include "reminder/ReminderMatch.h"
#include "store/xml/FileHandle.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>

class ReminderScheduler {
public:
    static constexpr UINT kMsgNoteRemind = 50017;
    static constexpr DWORD kPeriodMs = 15000;

    using Clock = std::function<MatchTime()>;
    // The note window for a note id; null when the note has no open window.
    using WindowLookup = std::function<HWND(int note_id)>;
    // Pauses between passes; answers false when the thread must end (stop is the stop event).
    using Pause = std::function<bool(HANDLE stop, DWORD ms)>;
    using Runner = std::function<void(const std::wstring& path)>;

    explicit ReminderScheduler(WindowLookup lookup);
    ~ReminderScheduler();
    ReminderScheduler(const ReminderScheduler&) = delete;
    ReminderScheduler& operator=(const ReminderScheduler&) = delete;

    // Replace before Start.
    void SetClock(Clock clock) { clock_ = std::move(clock); }
    void SetPause(Pause pause) { pause_ = std::move(pause); }
    void SetRunner(Runner runner) { runner_ = std::move(runner); }

    bool Start();
    // Ends the thread between two notes, never during a write, and waits up to wait_ms for it.
    // False when it is still busy (a file it opened may show the shell's own message): then the
    // thread still uses this object, which must outlive it.
    bool Stop(DWORD wait_ms = INFINITE);
    bool Running() const { return static_cast<bool>(thread_); }

    // One walk over every note folder, on the calling thread (never while the thread runs).
    void RunPass();
    // The minute the note fired in its current run; empty when it is not in the fired set.
    std::wstring FiredStamp(const std::wstring& note_name) const;

    static MatchTime LocalClock();
    static bool WaitOnStop(HANDLE stop, DWORD ms);
    static void ShellOpen(const std::wstring& path);

private:
    // A note record's keys as last read, with the file stamp they were read under.
    struct RecordKeys {
        FILETIME written{};
        FILETIME created{};
        DWORD size = 0;
        bool valid = false;
        NoteReminderKeys keys;
    };

    static DWORD WINAPI ThreadMain(void* self);
    bool ReadRecord(const std::wstring& path, NoteReminderKeys& keys);
    void EvaluateNote(const std::wstring& base, const std::wstring& name);
    void ForgetFired(const std::wstring& name);

    WindowLookup lookup_;
    Clock clock_ = LocalClock;
    Pause pause_ = WaitOnStop;
    Runner runner_ = ShellOpen;
    FileHandle stop_event_;
    FileHandle thread_;
    std::atomic<bool> stopping_{false};
    mutable std::mutex fired_lock_;
    struct Fired {
        std::wstring stamp;       // the minute the note fired
        long long last_match = 0; // MinuteNumber of the run's latest matching evaluation
    };
    std::map<std::wstring, Fired> fired_; // by note name
    // Record path -> keys, rebuilt every pass from the notes met; the scheduler thread's alone.
    std::map<std::wstring, RecordKeys> records_, records_seen_;
};
