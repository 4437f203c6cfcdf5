#include "store/NoteRecord.h"

#include <windows.h>

#include <cwchar>

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "app/base/UniqueStamp.h"
#include "app/base/SysConfig.h"
#include "store/xml/CXmlDoc.h"

namespace {

constexpr wchar_t kRtfSuffix[] = L"_rtf";

// Loads the file for reading and enters its root; false when either is missing.
bool OpenForRead(CXmlDoc& doc, const std::wstring& path, const std::wstring& root) {
    if (!doc.Load(path) && doc.GetDoc().empty())
        return false;
    doc.Rewind();
    return doc.FindNext(root) && doc.Into();
}

bool OpenForWrite(CXmlDoc& doc, const std::wstring& path, const std::wstring& root, int id) {
    return OpenSettingsFile(doc, path, root, id) && doc.Into();
}

} // namespace

// Edges are read forward from "left", as they are always written together in this order.
bool ReadNoteEdges(CXmlDoc& doc, NoteRect& rect) {
    NoteRect r;
    doc.Rewind();
    if (!doc.GetChildInt(NoteKey::kLeft, r.left) || !doc.GetChildInt(NoteKey::kTop, r.top) ||
        !doc.GetChildInt(NoteKey::kRight, r.right) || !doc.GetChildInt(NoteKey::kBottom, r.bottom))
        return false;
    rect = r;
    return true;
}

namespace {

bool FindItem(CXmlDoc& doc, int child_id) {
    doc.Rewind();
    if (!doc.FindNext(NoteKey::kChildItems) || !doc.Into())
        return false;
    const std::wstring wanted = std::to_wstring(child_id);
    while (doc.FindNext(NoteKey::kItem))
        if (doc.GetText() == wanted)
            return true;
    return false;
}

} // namespace

NoteRecord::NoteRecord(std::wstring path, std::wstring root, int id)
    : path_(std::move(path)), root_(std::move(root)), id_(id) {}

NoteRecord NoteRecord::ForNote(const std::wstring& folder, const std::wstring& name, int id) {
    return NoteRecord(folder + name + L".xml", NoteKey::kNoteRoot, id);
}

NoteRecord NoteRecord::ForChild(const std::wstring& folder, int child_id, const std::wstring& cls) {
    return NoteRecord(folder + std::to_wstring(child_id) + L".xml", cls, child_id);
}

bool NoteRecord::WriteInt(std::wstring_view key, int value) const {
    CXmlDoc doc;
    return OpenForWrite(doc, path_, root_, id_) && doc.SetChildInt(key, value) && doc.Save(path_);
}

bool NoteRecord::WriteText(std::wstring_view key, std::wstring_view text) const {
    CXmlDoc doc;
    return OpenForWrite(doc, path_, root_, id_) && doc.SetChildText(key, text) && doc.Save(path_);
}

bool NoteRecord::WriteRect(const NoteRect& rect) const {
    CXmlDoc doc;
    return OpenForWrite(doc, path_, root_, id_) && doc.SetChildInt(NoteKey::kLeft, rect.left) &&
           doc.SetChildInt(NoteKey::kTop, rect.top) && doc.SetChildInt(NoteKey::kRight, rect.right) &&
           doc.SetChildInt(NoteKey::kBottom, rect.bottom) && doc.Save(path_);
}

bool NoteRecord::Exists() const {
    CXmlDoc doc;
    return OpenForRead(doc, path_, root_);
}

bool NoteRecord::ReadInt(std::wstring_view key, int& out) const {
    CXmlDoc doc;
    return OpenForRead(doc, path_, root_) && doc.GetChildInt(key, out);
}

bool NoteRecord::ReadInt64(std::wstring_view key, int64_t& out) const {
    CXmlDoc doc;
    return OpenForRead(doc, path_, root_) && doc.GetChildInt64(key, out);
}

bool NoteRecord::ReadText(std::wstring_view key, std::wstring& out) const {
    CXmlDoc doc;
    return OpenForRead(doc, path_, root_) && doc.GetChildText(key, out);
}

bool NoteRecord::ReadRect(NoteRect& rect) const {
    CXmlDoc doc;
    return OpenForRead(doc, path_, root_) && ReadNoteEdges(doc, rect);
}

NoteRecordReader::NoteRecordReader(const NoteRecord& record)
    : ok_(OpenForRead(doc_, record.Path(), record.Root())) {}

NoteRecordReader::NoteRecordReader(CXmlDoc loaded, const std::wstring& root) : doc_(std::move(loaded)) {
    while (doc_.OutOf()) {
    }
    doc_.Rewind();
    ok_ = !doc_.GetDoc().empty() && doc_.FindNext(root) && doc_.Into();
}

std::vector<ChildItemRef> NoteRecordReader::LoadChildren() {
    std::vector<ChildItemRef> children;
    doc_.Rewind();
    if (!ok_ || !doc_.FindNext(NoteKey::kChildItems) || !doc_.Into())
        return children;
    while (doc_.FindNext(NoteKey::kItem)) {
        ChildItemRef ref;
        ref.identify = doc_.GetAttr(NoteKey::kIdentify);
        ref.id = _wtoi(doc_.GetText().c_str());
        if (ref.id != 0 && IsKnownChildClass(ref.identify))
            children.push_back(std::move(ref));
    }
    // Back to the root's level for the keyed reads.
    doc_.OutOf();
    return children;
}

bool NoteRecordReader::ReadInt(std::wstring_view key, int& out) {
    doc_.Rewind();
    return ok_ && doc_.GetChildInt(key, out);
}

bool NoteRecordReader::ReadInt64(std::wstring_view key, int64_t& out) {
    doc_.Rewind();
    return ok_ && doc_.GetChildInt64(key, out);
}

bool NoteRecordReader::ReadText(std::wstring_view key, std::wstring& out) {
    doc_.Rewind();
    return ok_ && doc_.GetChildText(key, out);
}

bool NoteRecordReader::ReadRect(NoteRect& rect) {
    return ok_ && ReadNoteEdges(doc_, rect);
}

bool NoteRecord::ReadFields(NoteFields& f) const {
    CXmlDoc doc;
    if (!OpenForRead(doc, path_, root_))
        return false;
    f = NoteFields{};
    auto text = [&doc](const wchar_t* key, std::wstring& out) {
        doc.Rewind();
        doc.GetChildText(key, out);
    };
    doc.Rewind();
    doc.GetChildInt(NoteKey::kId, f.id);
    text(NoteKey::kUnique, f.unique);
    text(NoteKey::kGroup, f.group);
    f.has_rect = ReadNoteEdges(doc, f.rect);
    text(NoteKey::kDateTime, f.datetime);
    text(NoteKey::kBkImage, f.bkimage);
    text(NoteKey::kPngView, f.pngview);
    doc.Rewind();
    doc.GetChildInt(NoteKey::kIsHide, f.ishide);
    return true;
}

bool NoteRecord::AddChildItem(int child_id, std::wstring_view cls) const {
    CXmlDoc doc;
    if (!OpenForWrite(doc, path_, root_, id_) || !doc.EnsureChild(NoteKey::kChildItems) || !doc.Into())
        return false;
    const std::wstring wanted = std::to_wstring(child_id);
    while (doc.FindNext(NoteKey::kItem))
        if (doc.GetText() == wanted)
            return true;
    return doc.AddNextInt(NoteKey::kItem, child_id) && doc.SetAttr(NoteKey::kIdentify, cls) &&
           doc.Save(path_);
}

bool NoteRecord::RemoveChildItem(int child_id) const {
    CXmlDoc doc;
    if (!OpenForWrite(doc, path_, root_, id_) || !FindItem(doc, child_id))
        return false;
    if (!doc.RemoveCurrent() || !doc.Save(path_))
        return false;
    DeleteChildRecordFiles(path_.substr(0, path_.rfind(L'\\') + 1), child_id);
    return true;
}

std::vector<ChildItemRef> NoteRecord::LoadChildren() const {
    return NoteRecordReader(*this).LoadChildren();
}

std::wstring EnsureNoteUnique(const std::wstring& base, std::wstring name, int id) {
    if (name.empty())
        name = MakeUniqueStamp(id);
    const NoteRecord record = NoteRecord::ForNote(NoteFolder(name, base), name, id);
    std::wstring unique;
    if (!record.ReadText(NoteKey::kUnique, unique))
        record.WriteText(NoteKey::kUnique, name);
    return name;
}

bool IsKnownChildClass(std::wstring_view cls) {
    return cls == NoteKey::kItemEdit || cls == NoteKey::kItemImage || cls == NoteKey::kRichEdit;
}

std::wstring FormatNoteTime(int year, int month, int day, int hour, int minute, int second) {
    wchar_t text[64];
    swprintf(text, 64, L"%04d年%02d月%02d日 %02d时%02d分%02d秒", year, month, day, hour, minute, second);
    return text;
}

std::wstring NoteTimeNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return FormatNoteTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

bool IsPlainFileName(const std::wstring& name) {
    return !name.empty() && name.find_first_of(L"\\/:") == std::wstring::npos && name != L"." &&
           name != L"..";
}

void DeleteChildFiles(const std::wstring& folder, int child_id) {
    const std::wstring record = folder + std::to_wstring(child_id) + L".xml";
    CXmlDoc doc;
    if (doc.Load(record)) {
        doc.Rewind();
        // The root is the child's class; an image child names its picture.
        if (doc.FindNext() && doc.Into()) {
            std::wstring image;
            if (doc.GetChildText(NoteKey::kImage, image) && IsPlainFileName(image))
                DeleteFileW((folder + image).c_str());
        }
    }
    DeleteChildRecordFiles(folder, child_id);
}

void DeleteChildRecordFiles(const std::wstring& folder, int child_id) {
    DeleteFileW((folder + std::to_wstring(child_id) + kRtfSuffix).c_str());
    DeleteFileW((folder + std::to_wstring(child_id) + L".xml").c_str());
}

void DeleteNoteFiles(const std::wstring& folder, const std::wstring& name) {
    NoteRecord record = NoteRecord::ForNote(folder, name);
    std::wstring bkimage;
    // Names come from the record: never let one reach outside the note folder.
    if (record.ReadText(NoteKey::kBkImage, bkimage) && IsPlainFileName(bkimage))
        DeleteFileW((folder + bkimage).c_str());
    for (const ChildItemRef& child : record.LoadChildren())
        DeleteChildFiles(folder, child.id);
    DeleteFileW(record.Path().c_str());
    DeleteTree(folder);
}
