#pragma once
// A note's picture as the screen shows it, for the manager's cards and picture export. A closed note
// is drawn from its folder without a window: nothing is written to its record and its snapshot is
// never deleted, so looking at a note in the manager leaves it exactly as it was.
#include "toolkit/surface/LSurface.h"

#include <string>

class MerlaItem;

// Larger sides than this in a record are damaged values; pictures are clamped to it.
inline constexpr int kMaxNotePictureSide = 4096;

// The open note window's current look (its back buffer), or an empty surface.
LSurface LiveNotePicture(MerlaItem& note);
// A closed note drawn from its record and item files: paper (picture or grey) at the note's opacity,
// then its items. note_folder is base folder + name + "\". Empty when the record is missing or has
// no rectangle.
LSurface RenderNotePicture(const std::wstring& note_folder, const std::wstring& name);
// What a card or an export shows: the open window's look, else the stored snapshot ("pngview") when
// it exists and loads, else the drawing from the folder. width/height > 0 scale the result to that
// size.
LSurface NotePicture(const std::wstring& note_folder, const std::wstring& name, int width = 0,
                     int height = 0);
// The same picture as PNG bytes at the note's own size; a snapshot file is passed on byte for byte.
bool NotePicturePng(const std::wstring& note_folder, const std::wstring& name, std::string& png);
