#include "store/NoteTemplate.h"

#include <windows.h>

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "store/xml/CXmlDoc.h"

namespace {

// Copies a picture unless the target already has a file of that name.
void CopyKeepingExisting(const std::wstring& from, const std::wstring& to) {
    if (GetFileAttributesW(to.c_str()) == INVALID_FILE_ATTRIBUTES)
        CopyFileW(from.c_str(), to.c_str(), TRUE);
}

} // namespace

std::wstring TemplateFolderFor(const std::wstring& group, const std::wstring& name) {
    if (group.empty() || group == SystemGroupName)
        return TplFolder(name);
    return GroupTplFolder(group, name);
}

bool WriteTemplateFile(const std::wstring& path, const TemplateFields& fields) {
    CXmlDoc doc;
    if (!doc.LoadForEdit(path))
        return false;
    doc.Rewind();
    if (!doc.EnsureChild(kTemplateRoot) || !doc.Into())
        return false;
    if (fields.with_name) {
        doc.SetChildText(kTemplateNameKey, fields.tpl_name);
        doc.Rewind();
    }
    doc.SetChildInt(NoteKey::kLeft, fields.rect.left);
    doc.SetChildInt(NoteKey::kTop, fields.rect.top);
    doc.SetChildInt(NoteKey::kRight, fields.rect.right);
    doc.SetChildInt(NoteKey::kBottom, fields.rect.bottom);
    doc.Rewind();
    doc.SetChildText(NoteKey::kBkImage, fields.bkimage);
    doc.Rewind();
    doc.SetChildText(NoteKey::kGroup, fields.group);
    doc.Rewind();
    doc.SetChildText(NoteKey::kDateTime, NoteTimeNow());
    return doc.Save(path);
}

bool SaveNoteAsTemplate(const std::wstring& note_folder, const std::wstring& note_name,
                        const std::wstring& group, const std::wstring& tpl_name) {
    const NoteRecord note = NoteRecord::ForNote(note_folder, note_name);
    NoteRect rect;
    std::wstring bkimage;
    if (!note.ReadRect(rect) || !note.ReadText(NoteKey::kBkImage, bkimage))
        return false;
    const std::wstring folder = TemplateFolderFor(group, tpl_name);
    if (folder.empty())
        return false;
    if (IsPlainFileName(bkimage))
        CopyKeepingExisting(note_folder + bkimage, folder + bkimage);
    return WriteTemplateFile(folder + tpl_name + L".xml", {false, {}, rect, bkimage, group});
}

bool ApplyTemplate(const std::wstring& tpl_folder, const std::wstring& tpl_name,
                   const std::wstring& note_folder, const std::wstring& note_name, int note_id,
                   const NoteRect& current, AppliedTemplate& out) {
    out = AppliedTemplate{};
    const NoteRecord tpl(tpl_folder + tpl_name + L".xml", kTemplateRoot);
    if (!tpl.Exists())
        return false;
    const NoteRecord note = NoteRecord::ForNote(note_folder, note_name, note_id);
    NoteRect size;
    if (tpl.ReadRect(size)) {
        out.rect = {current.left, current.top, current.left + size.Width(), current.top + size.Height()};
        out.resized = note.WriteRect(out.rect);
    }
    std::wstring bkimage;
    if (tpl.ReadText(NoteKey::kBkImage, bkimage) && IsPlainFileName(bkimage)) {
        CopyKeepingExisting(tpl_folder + bkimage, note_folder + bkimage);
        if (note.WriteText(NoteKey::kBkImage, bkimage))
            out.bkimage = bkimage;
    }
    return true;
}

bool InstallShippedTemplates(const std::wstring& shipped) {
    bool ok = true;
    for (const std::wstring& name : ListEntries(shipped)) {
        if (!FolderExists(shipped + name) || FolderExists(TplsDir() + name))
            continue;
        const std::wstring to = TplFolder(name);
        ok = !to.empty() && CopyTree(shipped + name + L"\\", to, false) && ok;
    }
    return ok;
}
