#include "reminder/ReminderScheduler.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "reminder/CPromptFile.h"
#include "reminder/ChosenExecFiles.h"
#include "reminder/ReminderStopStamps.h"
#include "store/xml/CXmlDoc.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <set>
#include <vector>

namespace {

std::wstring FoldedPath(const std::wstring& path) {
    std::wstring p = path;
    CharLowerBuffW(p.data(), static_cast<DWORD>(p.size()));
    return p;
}

} // namespace

ReminderScheduler::ReminderScheduler(WindowLookup lookup) : lookup_(std::move(lookup)) {}

ReminderScheduler::~ReminderScheduler() {
    Stop();
}

MatchTime ReminderScheduler::LocalClock() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    MatchTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.weekday = st.wDayOfWeek;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    return t;
}

bool ReminderScheduler::WaitOnStop(HANDLE stop, DWORD ms) {
    return WaitForSingleObject(stop, ms) == WAIT_TIMEOUT;
}

void ReminderScheduler::ShellOpen(const std::wstring& path) {
    ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOW);
}

bool ReminderScheduler::Start() {
    if (thread_)
        return true;
    stop_event_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stop_event_)
        return false;
    stopping_ = false;
    thread_.reset(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
    return static_cast<bool>(thread_);
}

bool ReminderScheduler::Stop(DWORD wait_ms) {
    if (!thread_)
        return true;
    stopping_ = true;
    SetEvent(stop_event_.get());
    if (WaitForSingleObject(thread_.get(), wait_ms) != WAIT_OBJECT_0)
        return false;
    thread_.reset();
    stop_event_.reset();
    return true;
}

DWORD WINAPI ReminderScheduler::ThreadMain(void* param) {
    auto* self = static_cast<ReminderScheduler*>(param);
    // The shell may hand "open" to COM handlers; it asks for an apartment without DDE.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    while (!self->stopping_) {
        self->RunPass();
        if (self->stopping_ || !self->pause_(self->stop_event_.get(), kPeriodMs))
            break;
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

void ReminderScheduler::RunPass() {
    std::vector<std::wstring> bases;
    std::set<std::wstring> seen;
    const std::wstring groups = GroupItemsDir();
    for (const std::wstring& group : ListEntries(groups))
        bases.push_back(groups + group + L"\\");
    bases.push_back(NoteItemsDir());
    records_seen_.clear();
    for (const std::wstring& base : bases) {
        if (!seen.insert(FoldedPath(base)).second)
            continue;
        for (const std::wstring& name : ListEntries(base)) {
            if (stopping_)
                return;
            EvaluateNote(base, name);
        }
    }
    // Notes that went away leave the record cache.
    records_.swap(records_seen_);
}

bool ReminderScheduler::ReadRecord(const std::wstring& path, NoteReminderKeys& keys) {
    // Opening a file costs far more than asking for its stamp, and a record's id never changes:
    // read it again only when the file was rewritten.
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a))
        return false;
    const auto same = [](const FILETIME& x, const FILETIME& y) {
        return x.dwLowDateTime == y.dwLowDateTime && x.dwHighDateTime == y.dwHighDateTime;
    };
    RecordKeys entry;
    const auto it = records_.find(path);
    if (it != records_.end() && same(it->second.written, a.ftLastWriteTime) &&
        same(it->second.created, a.ftCreationTime) && it->second.size == a.nFileSizeLow) {
        entry = it->second;
    } else {
        entry.written = a.ftLastWriteTime;
        entry.created = a.ftCreationTime;
        entry.size = a.nFileSizeLow;
        entry.valid = ReadNoteReminderKeys(path, entry.keys);
    }
    records_seen_[path] = entry;
    keys = entry.keys;
    return entry.valid;
}

void ReminderScheduler::EvaluateNote(const std::wstring& base, const std::wstring& name) {
    const std::wstring folder = base + name + L"\\";
    NoteReminderKeys keys;
    if (!ReadRecord(folder + name + L".xml", keys) || keys.id == 0 || keys.hidden)
        return;
    HWND note = lookup_ ? lookup_(keys.id) : nullptr;
    if (!note)
        return;
    const MatchTime now = clock_();
    const std::wstring stamp = MinuteStamp(now);
    const std::wstring stopped = ReminderStopStamps::Get(note);

    std::vector<std::wstring> to_run;
    {
        // The editor rewrites the same file: keep it out between our load and our save.
        std::lock_guard guard(CPromptFile::WriteLock());
        CXmlDoc doc;
        const std::wstring prompt = folder + kPromptFileName;
        if (!doc.Load(prompt))
            return;
        const PromptEvaluation ev = EvaluatePrompt(doc, now);
        if (!ev.matched) {
            ForgetFired(name);
            return;
        }
        // A once-only group is used up whatever the firing decision says.
        if (ev.count_spent)
            doc.Save(prompt);
        to_run = ReadExecPaths(doc);
    }

    {
        std::lock_guard guard(fired_lock_);
        const long long minute = MinuteNumber(now);
        auto it = fired_.find(name);
        // A run is one stretch of evaluations that all match. When the computer slept or the
        // thread was held up past a whole minute, nobody saw the run end: a new one starts.
        if (it != fired_.end() && it->second.last_match + 1 < minute) {
            fired_.erase(it);
            it = fired_.end();
        }
        const std::wstring fired = it == fired_.end() ? std::wstring() : it->second.stamp;
        switch (DecideFiring(fired, stopped, stamp)) {
        case FireDecision::kNothing:
            if (it != fired_.end())
                it->second.last_match = minute;
            return;
        case FireDecision::kForget:
            fired_.erase(it);
            return;
        case FireDecision::kFire:
            fired_[name] = Fired{stamp, minute};
            break;
        }
    }
    for (const std::wstring& path : to_run) {
        // Only an existing file that a user here picked is opened: a folder would open a window of
        // its own, and a path that came with the file from elsewhere was chosen by nobody here.
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            ChosenExecFiles::IsChosen(path))
            runner_(path);
    }
    PostMessageW(note, kMsgNoteRemind, 0, 0);
}

void ReminderScheduler::ForgetFired(const std::wstring& name) {
    std::lock_guard guard(fired_lock_);
    fired_.erase(name);
}

std::wstring ReminderScheduler::FiredStamp(const std::wstring& note_name) const {
    std::lock_guard guard(fired_lock_);
    const auto it = fired_.find(note_name);
    return it == fired_.end() ? std::wstring() : it->second.stamp;
}
