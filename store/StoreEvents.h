#pragma once
// What the note store tells the windows. The manager and the main controller implement it with
// window messages; tests record the calls.
#include <set>
#include <string>

// Window messages behind the calls.
inline constexpr unsigned MSG_MGR_SHOW_GROUP = 50020; // lParam = group row
inline constexpr unsigned MSG_MAIN_RELOAD_NOTES = 50008;
inline constexpr unsigned MSG_MAIN_NOTES_DELETED = 50021; // sent; lParam = const NoteNameSet*
inline constexpr unsigned MSG_MAIN_RESTORE_DATA = 50026;  // sent; wParam = const RestoreRequest*
inline constexpr unsigned kToolkitCommand = 10002;        // wParam = command id, lParam = object id
inline constexpr int kCmdHideNote = 30218;

using NoteNameSet = std::set<std::wstring>;

// What a restore of backed-up data asks of the main window; valid during the call.
struct RestoreRequest {
    std::wstring note_data; // the unpacked "NoteData\" folder, with a trailing backslash
    bool replace = false;   // existing files are replaced only when the user chose so
};

class StoreEvents {
public:
    virtual ~StoreEvents() = default;

    // Posted MSG_MGR_SHOW_GROUP: the manager reloads its note list for that group row.
    virtual void PostShowGroup(int group_row) = 0;
    // Posted MSG_MAIN_RELOAD_NOTES: the main controller opens the notes that are not open.
    virtual void PostReloadNotes() = 0;
    // Sent MSG_MAIN_NOTES_DELETED: every open note named in the set is moved into the recycle bin
    // and closed before this returns. The set lives only during the call.
    virtual void SendNotesDeleted(const NoteNameSet& names) = 0;
    // Posted toolkit command 10002 / 30218: the main controller hides that open note.
    virtual void PostHideNote(int note_id) = 0;
    // OpenNotesByName: the object id of the open note window of that name, 0 when not open.
    virtual int FindOpenNote(const std::wstring& name) = 0;
    // SetBaseFolder on the open note window of that name: it saves into the new folder from now on.
    virtual void SetBaseFolder(const std::wstring& name, const std::wstring& base_folder) = 0;
    // The program's message box with one OK button.
    virtual void ShowMessage(const std::wstring& text) = 0;
    // The manager forgets (or carries over to a new name) the column mode kept for a group.
    virtual void ForgetColumnMode(const std::wstring& group) { (void)group; }
    virtual void RenameColumnMode(const std::wstring& from, const std::wstring& to) {
        (void)from;
        (void)to;
    }
    // The note list is emptied and repainted.
    virtual void ClearNoteList() {}
};
