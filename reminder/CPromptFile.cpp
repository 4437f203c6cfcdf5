#include "reminder/CPromptFile.h"

#include "app/base/SysConfig.h"
#include "store/xml/CXmlDoc.h"

#include <windows.h>

#include <algorithm>
#include <functional>

namespace {

constexpr wchar_t kTimeGroup[] = L"TimeGroup";
constexpr wchar_t kIdentify[] = L"Identify";
constexpr wchar_t kDateTime[] = L"DateTime";
constexpr wchar_t kItem[] = L"item";
constexpr wchar_t kValue[] = L"value";
constexpr wchar_t kFilePath[] = L"FilePath";
constexpr wchar_t kCalendar[] = L"Calendar";
constexpr wchar_t kPromptCount[] = L"PromptCount";
constexpr wchar_t kStyle[] = L"Style";
constexpr wchar_t kExecFile[] = L"ExecFile";
constexpr wchar_t kMusicFile[] = L"MusicFile";
constexpr wchar_t kGifFile[] = L"GifFile";
constexpr const wchar_t* kListNames[kPromptListCount] = {L"Minute", L"Hour",  L"Day",
                                                         L"Week",   L"Month", L"Year"};

// Steps through the following siblings named name until one has the attribute equal to value.
bool FindElemByAttr(CXmlDoc& doc, std::wstring_view name, std::wstring_view attr, std::wstring_view value) {
    while (doc.FindNext(name)) {
        if (doc.GetAttr(attr) == value)
            return true;
    }
    return false;
}

bool FindElemByData(CXmlDoc& doc, std::wstring_view name, std::wstring_view text) {
    while (doc.FindNext(name)) {
        if (doc.GetText() == text)
            return true;
    }
    return false;
}

// Inside the root: moves into the group with that identity, adding it when it is missing.
bool LocateGroup(CXmlDoc& doc, std::wstring_view identity, bool create) {
    if (identity == kLegacyGroupIdentity)
        return true;
    doc.Rewind();
    if (FindElemByAttr(doc, kTimeGroup, kIdentify, identity))
        return doc.Into();
    if (!create)
        return false;
    doc.Rewind(); // new elements go after the last one
    return doc.AddNext(kTimeGroup) && doc.SetAttr(kIdentify, identity) && doc.Into();
}

// Adds "item" with the text unless one with that text exists; the current parent is the list.
bool AddItem(CXmlDoc& doc, std::wstring_view text, std::wstring_view attr, std::wstring_view attr_value) {
    doc.Rewind();
    if (FindElemByData(doc, kItem, text))
        return true;
    doc.Rewind();
    return doc.AddNext(kItem, text) && doc.SetAttr(attr, attr_value);
}

bool RemoveItemByText(CXmlDoc& doc, std::wstring_view list, std::wstring_view text) {
    doc.Rewind();
    if (!doc.FindNext(list) || !doc.Into())
        return false;
    doc.Rewind();
    bool removed = false;
    while (FindElemByData(doc, kItem, text))
        removed = doc.RemoveCurrent() || removed;
    return removed;
}

void RemoveAll(CXmlDoc& doc, std::wstring_view name) {
    doc.Rewind();
    while (doc.FindNext(name))
        doc.RemoveCurrent();
}

// A name read from the file names a file in the note folder only when it holds no folder part.
bool IsPlainFileName(std::wstring_view name) {
    return !name.empty() && name != L"." && name != L".." &&
           name.find_first_of(L"\\/:") == std::wstring_view::npos;
}

std::vector<PromptLabel> ReadItems(CXmlDoc& doc, std::wstring_view list, std::wstring_view attr) {
    std::vector<PromptLabel> items;
    doc.Rewind();
    if (!doc.FindNext(list) || !doc.Into())
        return items;
    while (doc.FindNext(kItem))
        items.push_back({doc.GetText(), doc.GetAttr(attr)});
    doc.OutOf();
    return items;
}

// Reads the conditions among the children of the current parent; false when there are none.
bool ReadConditions(CXmlDoc& doc, PromptGroup& g) {
    bool any = false;
    for (int i = 0; i < kPromptListCount; ++i) {
        doc.Rewind();
        any = doc.FindNext(kListNames[i]) || any;
        g.lists[i] = ReadItems(doc, kListNames[i], kValue);
    }
    doc.Rewind();
    if (doc.FindNext(kCalendar)) {
        any = true;
        g.has_calendar = true;
        g.calendar = {doc.GetText(), doc.GetAttr(kValue)};
    }
    doc.Rewind();
    g.has_count = doc.GetChildInt(kPromptCount, g.count);
    return any || g.has_count;
}

bool LoadForRead(CXmlDoc& doc, const std::wstring& path) {
    return doc.Load(path) && doc.FindNext() && doc.GetTagName() == kPromptRoot && doc.Into();
}

} // namespace

CPromptFile::CPromptFile(std::wstring note_folder, int creator_id)
    : folder_(std::move(note_folder)), path_(folder_ + kPromptFileName), creator_id_(creator_id) {}

std::mutex& CPromptFile::WriteLock() {
    static std::mutex lock;
    return lock;
}

const wchar_t* CPromptFile::ListElement(PromptList kind) {
    return kListNames[static_cast<int>(kind)];
}

namespace {

// One write cycle: open (creating the file with its root), go into the root, change, save.
bool WriteCycle(const std::wstring& path, int id, const std::function<bool(CXmlDoc&)>& change) {
    std::lock_guard guard(CPromptFile::WriteLock());
    CXmlDoc doc;
    if (!OpenSettingsFile(doc, path, kPromptRoot, id) || !doc.Into())
        return false;
    if (!change(doc))
        return false;
    return doc.Save(path);
}

} // namespace

bool CPromptFile::AddTimeLabel(PromptList kind, std::wstring_view identity, std::wstring_view text,
                               int value) {
    return WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) {
        if (!LocateGroup(doc, identity, true))
            return false;
        doc.Rewind();
        if (!doc.EnsureChild(ListElement(kind)) || !doc.Into())
            return false;
        return AddItem(doc, text, kValue, std::to_wstring(value));
    });
}

bool CPromptFile::RemoveTimeLabel(PromptList kind, std::wstring_view identity, std::wstring_view text) {
    return WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) {
        return LocateGroup(doc, identity, false) && RemoveItemByText(doc, ListElement(kind), text);
    });
}

bool CPromptFile::SetCalendar(std::wstring_view identity, std::wstring_view text, std::wstring_view value) {
    return WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) {
        if (!LocateGroup(doc, identity, true))
            return false;
        doc.Rewind();
        return doc.SetChildText(kCalendar, text) && doc.SetAttr(kValue, value);
    });
}

bool CPromptFile::RemoveCalendar(std::wstring_view identity) {
    return WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) {
        if (!LocateGroup(doc, identity, false))
            return false;
        RemoveAll(doc, kCalendar);
        return true;
    });
}

bool CPromptFile::SetOnce(std::wstring_view identity, int count) {
    return WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) {
        if (!LocateGroup(doc, identity, true))
            return false;
        doc.Rewind();
        return doc.SetChildInt(kPromptCount, count);
    });
}

bool CPromptFile::RemoveOnce(std::wstring_view identity) {
    return WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) {
        if (!LocateGroup(doc, identity, false))
            return false;
        RemoveAll(doc, kPromptCount);
        return true;
    });
}

bool CPromptFile::AddStyle(std::wstring_view text, int value) {
    return WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) {
        return doc.EnsureChild(kStyle) && doc.Into() && AddItem(doc, text, kValue, std::to_wstring(value));
    });
}

bool CPromptFile::RemoveStyle(std::wstring_view text) {
    return WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) { return RemoveItemByText(doc, kStyle, text); });
}

bool CPromptFile::AddExecFile(std::wstring_view name, std::wstring_view path) {
    return WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) {
        return doc.EnsureChild(kExecFile) && doc.Into() && AddItem(doc, name, kFilePath, path);
    });
}

bool CPromptFile::RemoveExecFile(std::wstring_view name) {
    return WriteCycle(path_, creator_id_,
                      [&](CXmlDoc& doc) { return RemoveItemByText(doc, kExecFile, name); });
}

namespace {

bool EndsWithNoCase(std::wstring_view name, std::wstring_view tail) {
    if (name.size() < tail.size())
        return false;
    for (size_t i = 0; i < tail.size(); ++i) {
        wchar_t c = name[name.size() - tail.size() + i];
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != tail[i])
            return false;
    }
    return true;
}

// The copies named by the removed items, deleted once the file no longer names them; a name that
// is not one of our copies (a hand-edited file naming the note's record) is never deleted.
void DeleteCopies(const std::wstring& folder, const std::vector<std::wstring>& names, std::wstring_view keep,
                  bool (*is_copy)(std::wstring_view)) {
    for (const std::wstring& name : names)
        if (name != keep && is_copy(name))
            DeleteFileW((folder + name).c_str());
}

// Removes every "item" of the list element under the root, remembering their texts.
bool TakeItems(CXmlDoc& doc, std::wstring_view list, bool create, std::vector<std::wstring>& taken) {
    if (!(create ? doc.EnsureChild(list) : doc.FindNext(list)) || !doc.Into())
        return false;
    doc.Rewind();
    while (doc.FindNext(kItem)) {
        taken.push_back(doc.GetText());
        doc.RemoveCurrent();
    }
    doc.Rewind();
    return true;
}

} // namespace

bool CPromptFile::IsGifCopyName(std::wstring_view name) {
    return IsPlainFileName(name) && name.find(kGifCopyMark) != std::wstring_view::npos;
}

bool CPromptFile::IsMusicName(std::wstring_view name) {
    return IsPlainFileName(name) && (EndsWithNoCase(name, L".wav") || EndsWithNoCase(name, L".mp3"));
}

bool CPromptFile::SetMusic(std::wstring_view name, std::wstring_view path) {
    std::vector<std::wstring> old;
    const bool ok = WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) {
        return TakeItems(doc, kMusicFile, true, old) && doc.AddNext(kItem, name) &&
               doc.SetAttr(kFilePath, path);
    });
    if (ok)
        DeleteCopies(folder_, old, name, IsMusicName);
    return ok;
}

bool CPromptFile::RemoveMusic() {
    std::vector<std::wstring> old;
    const bool ok =
        WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) { return TakeItems(doc, kMusicFile, false, old); });
    if (ok)
        DeleteCopies(folder_, old, {}, IsMusicName);
    return ok;
}

bool CPromptFile::SetGif(std::wstring_view name) {
    std::vector<std::wstring> old;
    const bool ok = WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) {
        return TakeItems(doc, kGifFile, true, old) && doc.SetChildText(kItem, name);
    });
    if (ok)
        DeleteCopies(folder_, old, name, IsGifCopyName);
    return ok;
}

bool CPromptFile::RemoveGif() {
    std::vector<std::wstring> old;
    const bool ok =
        WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) { return TakeItems(doc, kGifFile, false, old); });
    if (ok)
        DeleteCopies(folder_, old, {}, IsGifCopyName);
    return ok;
}

bool CPromptFile::Clear() {
    PromptActions actions;
    ReadActions(actions);
    std::lock_guard guard(WriteLock());
    if (IsGifCopyName(actions.gif))
        DeleteFileW((folder_ + actions.gif).c_str());
    if (actions.has_music && IsMusicName(actions.music.name))
        DeleteFileW((folder_ + actions.music.name).c_str());
    return DeleteFileW(path_.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool CPromptFile::AddGroup(std::wstring_view identity, std::wstring_view created) {
    return WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) {
        doc.Rewind();
        return doc.AddNext(kTimeGroup) && doc.SetAttr(kIdentify, identity) && doc.SetAttr(kDateTime, created);
    });
}

bool CPromptFile::RemoveGroup(std::wstring_view identity) {
    return WriteCycle(path_, creator_id_, [&](CXmlDoc& doc) {
        if (identity == kLegacyGroupIdentity) {
            for (const wchar_t* name : {L"Minute", L"Hour", L"Month", L"Week", L"Day", L"Year", kPromptCount})
                RemoveAll(doc, name);
            return true;
        }
        doc.Rewind();
        return FindElemByAttr(doc, kTimeGroup, kIdentify, identity) && doc.RemoveCurrent();
    });
}

bool CPromptFile::ReadGroups(std::vector<PromptGroup>& out) const {
    out.clear();
    CXmlDoc doc;
    if (!LoadForRead(doc, path_))
        return false;
    PromptGroup legacy;
    legacy.identity = kLegacyGroupIdentity;
    if (ReadConditions(doc, legacy))
        out.push_back(std::move(legacy));
    doc.Rewind();
    while (doc.FindNext(kTimeGroup)) {
        PromptGroup g;
        g.identity = doc.GetAttr(kIdentify);
        g.created = doc.GetAttr(kDateTime);
        if (!doc.Into())
            continue;
        ReadConditions(doc, g);
        doc.OutOf();
        out.push_back(std::move(g));
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const PromptGroup& a, const PromptGroup& b) { return a.created < b.created; });
    return true;
}

bool CPromptFile::ReadActions(PromptActions& out) const {
    out = PromptActions{};
    CXmlDoc doc;
    if (!LoadForRead(doc, path_))
        return false;
    out.styles = ReadItems(doc, kStyle, kValue);
    for (PromptLabel& f : ReadItems(doc, kExecFile, kFilePath))
        out.exec_files.push_back({std::move(f.text), std::move(f.value)});
    const std::vector<PromptLabel> music = ReadItems(doc, kMusicFile, kFilePath);
    if (!music.empty()) {
        out.has_music = true;
        out.music = {music.front().text, music.front().value};
    }
    const std::vector<PromptLabel> gif = ReadItems(doc, kGifFile, kValue);
    if (!gif.empty() && IsPlainFileName(gif.front().text))
        out.gif = gif.front().text;
    return true;
}
