#include "reminder/ReminderTargets.h"

#include <map>
#include <mutex>

namespace {

std::mutex& Lock() {
    static std::mutex lock;
    return lock;
}

std::map<int, HWND>& Targets() {
    static std::map<int, HWND> targets;
    return targets;
}

} // namespace

void ReminderTargets::Set(int note_id, HWND note) {
    std::lock_guard guard(Lock());
    Targets()[note_id] = note;
}

void ReminderTargets::Remove(int note_id) {
    std::lock_guard guard(Lock());
    Targets().erase(note_id);
}

HWND ReminderTargets::Find(int note_id) {
    std::lock_guard guard(Lock());
    const auto it = Targets().find(note_id);
    return it == Targets().end() ? nullptr : it->second;
}

void ReminderTargets::Clear() {
    std::lock_guard guard(Lock());
    Targets().clear();
}
