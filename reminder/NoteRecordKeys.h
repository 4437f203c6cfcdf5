#pragma once
// The few keys of a note record the scheduler needs, read straight from the record file.
#include <string>

struct NoteReminderKeys {
    int id = 0;          // "ID"; 0 when absent
    bool hidden = false; // "ishide" non-zero
};

// False unless the record loads and its root is "MerlaItem".
bool ReadNoteReminderKeys(const std::wstring& record_path, NoteReminderKeys& out);
