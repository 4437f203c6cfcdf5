#include "app/WindowStoreEvents.h"

#include "app/MerlaMain.h"
#include "note/MerlaItem.h"
#include "toolkit/MerlaMessageBox.h"

void WindowStoreEvents::PostShowGroup(int group_row) {
    if (HWND manager = LWnd::HandleFromId(kManagerId))
        PostMessageW(manager, MSG_MGR_SHOW_GROUP, 0, group_row);
}

void WindowStoreEvents::PostReloadNotes() {
    if (HWND main = MerlaMain::MainWindow())
        PostMessageW(main, MSG_MAIN_RELOAD_NOTES, 0, 0);
}

void WindowStoreEvents::SendNotesDeleted(const NoteNameSet& names) {
    if (HWND main = MerlaMain::MainWindow())
        SendMessageW(main, MSG_MAIN_NOTES_DELETED, 0, reinterpret_cast<LPARAM>(&names));
}

void WindowStoreEvents::PostHideNote(int note_id) {
    if (HWND main = MerlaMain::MainWindow())
        PostMessageW(main, kToolkitCommand, kCmdHideNote, note_id);
}

int WindowStoreEvents::FindOpenNote(const std::wstring& name) {
    MerlaItem* note = MerlaMain::FindOpenNote(name);
    return note ? note->GetId() : 0;
}

void WindowStoreEvents::SetBaseFolder(const std::wstring& name, const std::wstring& base_folder) {
    if (MerlaItem* note = MerlaMain::FindOpenNote(name))
        note->SetBaseFolder(base_folder);
}

void WindowStoreEvents::ShowMessage(const std::wstring& text) {
    ShowMessageBox(LWnd::HandleFromId(kManagerId), text, kMbOk);
}
