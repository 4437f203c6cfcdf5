#pragma once
// The minute in which the user last stopped each note's reminder, by note window. Written on the UI
// thread (stopping sets it, a reminder starting removes it), read by the scheduler thread.
#include <windows.h>

#include <string>

class ReminderStopStamps {
public:
    static void Set(HWND note, const std::wstring& minute_stamp);
    // Records the current local minute.
    static void SetNow(HWND note);
    static void Remove(HWND note);
    // Empty when the note has none.
    static std::wstring Get(HWND note);
    static void Clear();
    // The local minute as "%04d-%02d-%02d %02d:%02d".
    static std::wstring CurrentMinuteStamp();
};
