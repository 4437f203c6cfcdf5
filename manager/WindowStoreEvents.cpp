#include "manager/WindowStoreEvents.h"

#include "app/base/NoteRegistries.h"
#include "note/MerlaItem.h"
#include "toolkit/MerlaMessageBox.h"

namespace {

HWND MainWindow() {
    return LWnd::HandleFromId(LWndMoveResize::kMainWindowId);
}

} // namespace

void WindowStoreEvents::PostShowGroup(int group_row) {
    if (HWND manager = LWnd::HandleFromId(kManagerId))
        PostMessageW(manager, MSG_MGR_SHOW_GROUP, 0, group_row);
}

void WindowStoreEvents::PostReloadNotes() {
    if (HWND main = MainWindow())
        PostMessageW(main, MSG_MAIN_RELOAD_NOTES, 0, 0);
}

void WindowStoreEvents::SendNotesDeleted(const NoteNameSet& names) {
    if (HWND main = MainWindow())
        SendMessageW(main, MSG_MAIN_NOTES_DELETED, 0, reinterpret_cast<LPARAM>(&names));
}

void WindowStoreEvents::PostHideNote(int note_id) {
    if (HWND main = MainWindow())
        PostMessageW(main, kToolkitCommand, kCmdHideNote, note_id);
}

int WindowStoreEvents::FindOpenNote(const std::wstring& name) {
    MerlaItem* note = ::FindOpenNote(name);
    return note ? note->GetId() : 0;
}

void WindowStoreEvents::SetBaseFolder(const std::wstring& name, const std::wstring& base_folder) {
    if (MerlaItem* note = ::FindOpenNote(name))
        note->SetBaseFolder(base_folder);
}

void WindowStoreEvents::ShowMessage(const std::wstring& text) {
    ShowMessageBox(LWnd::HandleFromId(kManagerId), text, kMbOk);
}
