#include "app/base/NoteRegistries.h"

std::map<std::wstring, MerlaItem*>& OpenNotesByName() {
    static std::map<std::wstring, MerlaItem*> notes;
    return notes;
}

MerlaItem* FindOpenNote(const std::wstring& name) {
    auto& open = OpenNotesByName();
    auto it = open.find(name);
    return it == open.end() ? nullptr : it->second;
}

MerlaItem*& LastActiveNote() {
    static MerlaItem* note = nullptr;
    return note;
}

std::wstring& CurrentGroup() {
    static std::wstring group;
    return group;
}
