#include "reminder/NoteRecordKeys.h"

#include "store/xml/CXmlDoc.h"

bool ReadNoteReminderKeys(const std::wstring& record_path, NoteReminderKeys& out) {
    out = NoteReminderKeys{};
    CXmlDoc doc;
    if (!doc.Load(record_path) || !doc.FindNext() || doc.GetTagName() != L"MerlaItem" || !doc.Into())
        return false;
    doc.GetChildInt(L"ID", out.id);
    doc.Rewind();
    int hidden = 0;
    out.hidden = doc.GetChildInt(L"ishide", hidden) && hidden != 0;
    return true;
}
