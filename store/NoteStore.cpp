#include "store/NoteStore.h"

#include <windows.h>

#include <set>

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "store/xml/CXmlDoc.h"
#include "store/xml/FileHandle.h"
#include "store/xml/FindHandle.h"
#include "store/NoteRecord.h"

namespace {

bool IsDefaultGroup(const std::wstring& group) {
    return group.empty() || group == SystemGroupName;
}

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring RecordPath(const std::wstring& base, const std::wstring& name) {
    return base + name + L"\\" + name + L".xml";
}

// A group name read from a record (a restored backup is outside input) must name one folder
// directly under the groups folder.
bool IsPlainGroupName(const std::wstring& group) {
    return group.find_first_of(L"\\/:") == std::wstring::npos &&
           group.find_first_not_of(L". ") != std::wstring::npos && group != RecycleBinName;
}

// Creation time of the file in local time, or the local time now when it cannot be read.
std::wstring FileCreationTime(const std::wstring& path) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    FILETIME created, local;
    if (file && GetFileTime(file.get(), &created, nullptr, nullptr) &&
        FileTimeToLocalFileTime(&created, &local))
        FileTimeToSystemTime(&local, &st);
    return FormatNoteTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

std::wstring FolderIn(const StoreLayout& layout, const std::wstring& group) {
    if (IsDefaultGroup(group))
        return layout.default_dir();
    if (group == RecycleBinName)
        return layout.recycle_dir();
    return layout.groups_dir() + group + L"\\";
}

} // namespace

StoreLayout NoteLayout() {
    return {&NoteItemsDir, &GroupItemsDir, &RecycleDir, NoteKey::kNoteRoot};
}

std::wstring GroupFolderFor(const std::wstring& group) {
    return FolderIn(NoteLayout(), group);
}

std::wstring NoteStore::FolderOf(const std::wstring& group) const {
    return FolderIn(layout_, group);
}

std::vector<std::wstring> ListSubFolders(const std::wstring& folder) {
    std::vector<std::wstring> names;
    std::wstring pattern = folder;
    if (!pattern.empty() && pattern.back() != L'\\')
        pattern += L'\\';
    FindHandle find(pattern + L"*");
    if (!find.ok())
        return names;
    do {
        if (find.IsFolder() && !find.IsDots())
            names.emplace_back(find.data().cFileName);
    } while (find.next());
    return names;
}

std::vector<NoteSummary> LoadNoteList(const std::wstring& folder) {
    return LoadSummaryList(folder, NoteKey::kNoteRoot);
}

std::vector<NoteSummary> LoadSummaryList(const std::wstring& folder, const wchar_t* root) {
    std::vector<NoteSummary> rows;
    std::wstring base = folder;
    if (!base.empty() && base.back() != L'\\')
        base += L'\\';
    for (const std::wstring& name : ListSubFolders(base)) {
        const std::wstring path = RecordPath(base, name);
        if (!PathExists(path)) {
            DeleteTree(base + name + L"\\");
            continue;
        }
        const NoteRecord record(path, root);
        NoteFields f;
        if (!record.ReadFields(f))
            continue;
        if (f.datetime.empty()) {
            f.datetime = FileCreationTime(path);
            record.WriteText(NoteKey::kDateTime, f.datetime);
        }
        if (!f.has_rect)
            continue;
        NoteSummary row;
        row.name = name;
        row.folder = base;
        row.id = f.id;
        row.width = f.rect.Width();
        row.height = f.rect.Height();
        row.created = f.datetime;
        row.hidden = f.ishide;
        row.preview = f.pngview;
        row.group = f.group.empty() ? SystemGroupName : f.group;
        row.state = f.ishide != 0 ? kNoteStateHidden : kNoteStateShown;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<StoredNote> ListNotesToOpen(const std::function<bool(const std::wstring&)>& is_open,
                                        std::vector<int>* stored_ids) {
    std::vector<std::wstring> bases;
    const std::wstring groups = GroupItemsDir();
    for (const std::wstring& group : ListSubFolders(groups))
        bases.push_back(groups + group + L"\\");
    bases.push_back(NoteItemsDir());

    std::vector<StoredNote> notes;
    std::set<std::wstring> listed;
    for (const std::wstring& base : bases) {
        for (const std::wstring& name : ListSubFolders(base)) {
            if (is_open && is_open(name))
                continue;
            // The same name in two groups is opened once.
            if (listed.count(name))
                continue;
            const std::wstring path = RecordPath(base, name);
            // A record that cannot be read opens with default values; a folder without one goes.
            CXmlDoc doc;
            const bool well_formed = doc.Load(path);
            if (!well_formed && !PathExists(path)) {
                DeleteTree(base + name + L"\\");
                continue;
            }
            StoredNote note{name, base, 0};
            doc.Rewind();
            if (well_formed && doc.FindNext(NoteKey::kNoteRoot) && doc.Into()) {
                int hidden = 0;
                doc.GetChildInt(NoteKey::kId, note.id);
                if (stored_ids && note.id != 0)
                    stored_ids->push_back(note.id);
                doc.Rewind();
                if (doc.GetChildInt(NoteKey::kIsHide, hidden) && hidden != 0)
                    continue;
                note.has_rect = ReadNoteEdges(doc, note.rect);
                note.record = std::make_shared<CXmlDoc>(std::move(doc));
            }
            listed.insert(name);
            notes.push_back(std::move(note));
        }
    }
    return notes;
}

bool MoveNoteFolder(const std::wstring& from, const std::wstring& to) {
    const bool existed = FolderExists(to.substr(0, to.size() - 1));
    if (!EnsureFolder(to))
        return false;
    if (!CopyTree(from, to, true)) {
        // A half copy made here would show the note twice.
        if (!existed)
            DeleteTree(to);
        return false;
    }
    DeleteTree(from);
    return true;
}

int NoteStore::RowOf(const std::wstring& group) const {
    int row = groups_.IndexOf(group);
    return row >= 0 ? row : groups_.Selected();
}

void NoteStore::ShowNotes(const std::wstring& current, const std::vector<std::wstring>& names) {
    const std::wstring base = FolderOf(current);
    bool changed = false;
    for (const std::wstring& name : names) {
        const NoteRecord record(RecordPath(base, name), layout_.root);
        if (!record.Exists())
            continue;
        int hidden = 0;
        if (record.ReadInt(NoteKey::kIsHide, hidden) && hidden != 0)
            changed = true;
        record.WriteInt(NoteKey::kIsHide, 0);
    }
    if (changed) {
        events_.PostShowGroup(RowOf(current));
        events_.PostReloadNotes();
    }
}

void NoteStore::HideNotes(const std::wstring& current, const std::vector<std::wstring>& names) {
    bool any = false;
    for (const std::wstring& name : names) {
        if (int id = events_.FindOpenNote(name)) {
            events_.PostHideNote(id);
            any = true;
        }
    }
    if (any) {
        events_.PostShowGroup(RowOf(current));
        events_.PostReloadNotes();
    }
}

void NoteStore::DeleteNotes(const std::wstring& current, const std::vector<std::wstring>& names) {
    if (current == RecycleBinName) {
        // The only way a single note is erased for good.
        const std::wstring bin = layout_.recycle_dir();
        for (const std::wstring& name : names)
            if (!name.empty())
                DeleteTree(bin + name + L"\\");
    } else {
        events_.SendNotesDeleted(NoteNameSet(names.begin(), names.end()));
        const std::wstring base = FolderOf(current), bin = layout_.recycle_dir();
        for (const std::wstring& name : names) {
            const std::wstring source = base + name + L"\\";
            if (!name.empty() && FolderExists(base + name))
                MoveNoteFolder(source, bin + name + L"\\");
        }
    }
    events_.PostShowGroup(RowOf(current));
}

void NoteStore::RestoreNotes(const std::vector<std::wstring>& names) {
    const std::wstring bin = layout_.recycle_dir();
    bool group_added = false;
    for (const std::wstring& name : names) {
        const NoteRecord record(RecordPath(bin, name), layout_.root);
        if (name.empty() || !PathExists(record.Path()))
            continue;
        std::wstring group;
        record.ReadText(NoteKey::kGroup, group);
        std::wstring target_base = layout_.default_dir();
        if (!IsDefaultGroup(group) && IsPlainGroupName(group)) {
            if (groups_.IndexOf(group) < 0) {
                groups_.AddRow(group);
                group_added = true;
            }
            target_base = layout_.groups_dir() + group + L"\\";
        }
        if (!EnsureFolder(target_base))
            continue;
        MoveNoteFolder(bin + name + L"\\", target_base + name + L"\\");
    }
    if (group_added)
        RebuildGroupList();
    events_.PostShowGroup(RowOf(RecycleBinName));
    events_.PostReloadNotes();
}

bool NoteStore::MoveNotesToGroup(const std::wstring& current, const std::vector<std::wstring>& names,
                                 const std::wstring& target) {
    const std::wstring source_base = FolderOf(current);
    const std::wstring target_base =
        IsDefaultGroup(target) ? layout_.default_dir() : layout_.groups_dir() + target + L"\\";
    if (source_base == target_base)
        return true;
    if (!EnsureFolder(target_base))
        return false;
    const std::wstring target_group = IsDefaultGroup(target) ? std::wstring() : target;
    bool all = true;
    for (const std::wstring& name : names) {
        if (name.empty() || !FolderExists(source_base + name))
            continue;
        const std::wstring from = source_base + name + L"\\", to = target_base + name + L"\\";
        const bool existed = FolderExists(target_base + name);
        if (!EnsureFolder(to) || !CopyTree(from, to, true)) {
            if (!existed)
                DeleteTree(to);
            // The note stays where it was, whole; an open window goes on saving there.
            all = false;
            continue;
        }
        // Only now: the window's record writes (its "dir" first) land in the copied folder.
        if (events_.FindOpenNote(name) != 0)
            events_.SetBaseFolder(name, target_base);
        const NoteRecord record(RecordPath(target_base, name), layout_.root);
        if (record.Exists())
            record.WriteText(NoteKey::kGroup, target_group);
        DeleteTree(from);
    }
    if (current == RecycleBinName)
        events_.PostReloadNotes();
    return all;
}

bool NoteStore::ValidateGroupName(std::wstring& name, const std::wstring& base) {
    const size_t first = name.find_first_not_of(L' ');
    name = first == std::wstring::npos ? std::wstring()
                                       : name.substr(first, name.find_last_not_of(L' ') - first + 1);
    const std::wstring folder = base.empty() ? layout_.groups_dir() : base;
    if (PathExists(folder + name)) {
        events_.ShowMessage(kMsgGroupExists);
        return false;
    }
    if (name == SystemGroupName || name == RecycleBinName) {
        events_.ShowMessage(kMsgGroupReserved);
        return false;
    }
    // A separator would make a folder inside another group; Windows drops a trailing dot.
    if (name.find_first_of(L"\\/") != std::wstring::npos || name.back() == L'.' ||
        !CreateDirectoryW((folder + name).c_str(), nullptr)) {
        events_.ShowMessage(kMsgGroupInvalid);
        return false;
    }
    return true;
}

void NoteStore::DeleteGroup(const std::wstring& group) {
    if (IsDefaultGroup(group) || group == RecycleBinName)
        return;
    const std::wstring folder = layout_.groups_dir() + group + L"\\", bin = layout_.recycle_dir();
    const std::vector<std::wstring> names = ListSubFolders(folder);
    // The open notes of the group close (and go to the bin) first: a note still open after its
    // folder moved would write a stub folder back into the group.
    events_.SendNotesDeleted(NoteNameSet(names.begin(), names.end()));
    // Note by note, so that a note that could not be copied stays in its group.
    for (const std::wstring& name : ListEntries(folder)) {
        const std::wstring from = folder + name;
        if (FolderExists(from)) {
            MoveNoteFolder(from + L"\\", bin + name + L"\\");
        } else if (CopyFileW(from.c_str(), (bin + name).c_str(), FALSE)) {
            DeleteFileW(from.c_str());
        }
    }
    // Removed only when empty.
    RemoveDirectoryW((layout_.groups_dir() + group).c_str());
    RebuildGroupList();
    groups_.Select(0);
    events_.PostShowGroup(0);
    events_.ForgetColumnMode(group);
}

void NoteStore::DeleteGroupAndMove(const std::wstring& group, const std::wstring& target) {
    if (IsDefaultGroup(group) || group == RecycleBinName)
        return;
    MoveNotesToGroup(group, ListSubFolders(layout_.groups_dir() + group + L"\\"), target);
    DeleteGroup(group);
    RebuildGroupList();
    groups_.SelectName(IsDefaultGroup(target) ? std::wstring(SystemGroupName) : target);
    events_.PostShowGroup(groups_.Selected());
}

bool NoteStore::RenameGroup(const std::wstring& from, const std::wstring& to) {
    if (IsDefaultGroup(from) || from == RecycleBinName || from == to)
        return false;
    const bool all = MoveNotesToGroup(from, ListSubFolders(layout_.groups_dir() + from + L"\\"), to);
    events_.RenameColumnMode(from, to);
    // Notes that could not be moved keep the old group.
    if (all)
        DeleteTree(layout_.groups_dir() + from + L"\\");
    RebuildGroupList();
    groups_.SelectName(to);
    events_.PostShowGroup(groups_.Selected());
    return all;
}

void NoteStore::EmptyRecycleBin() {
    const std::wstring bin = layout_.recycle_dir();
    DeleteTree(bin);
    EnsureFolder(bin);
    events_.ClearNoteList();
}

void NoteStore::RebuildGroupList() {
    groups_.Rebuild();
}
