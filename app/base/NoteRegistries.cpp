#include "app/base/NoteRegistries.h"

std::map<std::wstring, MerlaItem*>& OpenNotesByName() {
    static std::map<std::wstring, MerlaItem*> notes;
    return notes;
}

MerlaItem*& LastActiveNote() {
    static MerlaItem* note = nullptr;
    return note;
}

std::wstring& CurrentGroup() {
    static std::wstring group;
    return group;
}
