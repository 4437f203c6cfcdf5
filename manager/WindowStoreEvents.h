#pragma once
// The note store's events carried to the windows: messages to the main window and the manager,
// and direct calls on open note windows.
#include "store/StoreEvents.h"

class WindowStoreEvents : public StoreEvents {
public:
    static constexpr int kManagerId = 20001;

    void PostShowGroup(int group_row) override;
    void PostReloadNotes() override;
    void SendNotesDeleted(const NoteNameSet& names) override;
    void PostHideNote(int note_id) override;
    int FindOpenNote(const std::wstring& name) override;
    void SetBaseFolder(const std::wstring& name, const std::wstring& base_folder) override;
    void ShowMessage(const std::wstring& text) override;
};
