#pragma once
// The rich text boxes of a stored note read straight from its folder, without a window: what the
// manager draws and exports for a note that is not open. Nothing here writes to the folder, and every
// file name a record gives is used only as a plain name inside the note folder.
#include <windows.h>

#include <string>
#include <vector>

class GlyphDocument;

// One rich text box as its record keeps it.
struct StoredRichBox {
    int id = 0;
    // In the note's client coordinates; a box without a rectangle gets a new box's size at (0, 0).
    RECT rect{};
    bool wrap = true;     // "AutoChangeLine"
    bool fixed = false;   // "IsFixed": wraps at its own right edge
    bool masked = false;  // "EncryptShow": every character shows as "*"
    std::wstring content; // plain name of its content file; empty when the record names none
};

class NoteRichContent {
public:
    // note_folder ends with "\"; the note's record is note_folder + name + ".xml".
    NoteRichContent(std::wstring note_folder, const std::wstring& name);

    // In the order of the note's rich item list.
    const std::vector<StoredRichBox>& Boxes() const { return boxes_; }
    const std::wstring& Folder() const { return folder_; }

    // The box's content loaded into doc (which should be empty) and laid out as the box shows it in a
    // note whose client area is note_width wide: wrapped by its settings, masked when protected. False,
    // with doc left empty, when there is no content file or it does not load.
    bool Load(const StoredRichBox& box, GlyphDocument& doc, int note_width) const;

private:
    std::wstring folder_;
    std::vector<StoredRichBox> boxes_;
};

// Every character glyph of the document shows as "*" (paragraph ends and tabs stay as they are).
void MaskCharacters(GlyphDocument& doc);
