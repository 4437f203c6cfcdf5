#pragma once
// Note id to note window handle for the scheduler thread. The toolkit's own id registry belongs to
// the UI thread and is not locked, so note windows also enter themselves here (UI thread, on
// creation and destruction) and the scheduler looks them up under a lock.
#include <windows.h>

class ReminderTargets {
public:
    static void Set(int note_id, HWND note);
    static void Remove(int note_id);
    // Null when no open note has that id.
    static HWND Find(int note_id);
    static void Clear();
};
