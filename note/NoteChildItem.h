#pragma once
// What a note asks of each of its child items besides being a window: to follow the note into
// another folder, and to lay itself out again when the note changes size.
#include <string>

class NoteChildItem {
public:
    virtual ~NoteChildItem() = default;

    virtual void SetBaseFolder(const std::wstring& base_folder) = 0;
    // False when the item could not draw itself again.
    virtual bool LayoutForNoteSize() = 0;
};
