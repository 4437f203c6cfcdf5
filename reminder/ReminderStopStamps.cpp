#include "reminder/ReminderStopStamps.h"

#include "reminder/ReminderScheduler.h"

#include "reminder/ReminderMatch.h"

#include <map>
#include <mutex>

namespace {

std::mutex& Lock() {
    static std::mutex lock;
    return lock;
}

std::map<HWND, std::wstring>& Stamps() {
    static std::map<HWND, std::wstring> stamps;
    return stamps;
}

} // namespace

void ReminderStopStamps::Set(HWND note, const std::wstring& minute_stamp) {
    std::lock_guard guard(Lock());
    Stamps()[note] = minute_stamp;
}

void ReminderStopStamps::SetNow(HWND note) {
    Set(note, CurrentMinuteStamp());
}

void ReminderStopStamps::Remove(HWND note) {
    std::lock_guard guard(Lock());
    Stamps().erase(note);
}

std::wstring ReminderStopStamps::Get(HWND note) {
    std::lock_guard guard(Lock());
    const auto it = Stamps().find(note);
    return it == Stamps().end() ? std::wstring() : it->second;
}

void ReminderStopStamps::Clear() {
    std::lock_guard guard(Lock());
    Stamps().clear();
}

std::wstring ReminderStopStamps::CurrentMinuteStamp() {
    return MinuteStamp(ReminderScheduler::LocalClock());
}
