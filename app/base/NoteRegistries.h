#pragma once
// The process-wide note registries of the main controller, which owns the open notes (its
// NoteRegistry). The note windows keep these current as they open, close and are pressed; the
// pointers are not owned.
#include <map>
#include <string>

class MerlaItem;

// Open note windows by note name; a note enters at creation and leaves in its destructor.
std::map<std::wstring, MerlaItem*>& OpenNotesByName();
// The open note window of that name, or null.
MerlaItem* FindOpenNote(const std::wstring& name);
// The note last pressed with the left or right button; null once that note is gone.
MerlaItem*& LastActiveNote();
// The group new notes go into; empty for the default group.
std::wstring& CurrentGroup();
