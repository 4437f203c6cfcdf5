#pragma once
// The XML records of a note folder, shared by the note window, the manager and the reminder
// thread. Nothing is cached: every call is one complete load-read or
// load-change-save of the file, so readers on other threads always see what is on disk.
//
// A note record, written key by key as a new note does, reads:
//   <MerlaItem>
//   <ID>100001</ID>                        written when the root is created
//   <unique>20261209051530123_100001</unique>
//   <group>工作</group>                     empty for the default group
//   <left>10</left> <top>20</top> <right>190</right> <bottom>200</bottom>   (one per line)
//   <datetime>2026年12月09日 05时15分30秒</datetime>
//   <ChildItems>
//   <Item identify="LRichEditNI">100002</Item>
//   </ChildItems>
//   </MerlaItem>
// Each key is appended the first time it is written and updated in place afterwards. Readers look
// every key up from the start of the record, except the four edges, which are read in order.
//
// Reading, e.g. on the reminder thread:
//   NoteRecord rec = NoteRecord::ForNote(folder, name);
//   int id = 0; rec.ReadInt(NoteKey::kId, id);      // false: no record or no such key
#include "store/xml/CXmlDoc.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace NoteKey {
inline constexpr wchar_t kNoteRoot[] = L"MerlaItem";
inline constexpr wchar_t kId[] = L"ID";
inline constexpr wchar_t kUnique[] = L"unique";
inline constexpr wchar_t kGroup[] = L"group";
inline constexpr wchar_t kDir[] = L"dir";
inline constexpr wchar_t kLeft[] = L"left";
inline constexpr wchar_t kTop[] = L"top";
inline constexpr wchar_t kRight[] = L"right";
inline constexpr wchar_t kBottom[] = L"bottom";
inline constexpr wchar_t kDateTime[] = L"datetime";
inline constexpr wchar_t kUpdateTime[] = L"updatetime";
inline constexpr wchar_t kBkImage[] = L"bkimage";
inline constexpr wchar_t kCurColor[] = L"curcolor";
inline constexpr wchar_t kAlpha[] = L"alpha";
inline constexpr wchar_t kTopMost[] = L"bTopMost";
inline constexpr wchar_t kToDesk[] = L"bToDesk";
inline constexpr wchar_t kIsTrans[] = L"istrans";
inline constexpr wchar_t kIsHide[] = L"ishide";
inline constexpr wchar_t kPngView[] = L"pngview";
inline constexpr wchar_t kChildItems[] = L"ChildItems";
inline constexpr wchar_t kItem[] = L"Item";
inline constexpr wchar_t kIdentify[] = L"identify";

// Child item classes (root of "%d.xml" and "identify" in "ChildItems").
inline constexpr wchar_t kItemEdit[] = L"MerlaItemEdit";
inline constexpr wchar_t kItemImage[] = L"MerlaItemImage";
inline constexpr wchar_t kRichEdit[] = L"LRichEditNI";
// Child item keys.
inline constexpr wchar_t kText[] = L"text";
inline constexpr wchar_t kFontFamily[] = L"fontfamilyname";
inline constexpr wchar_t kFontEmSize[] = L"fontemsize";
inline constexpr wchar_t kFontStyle[] = L"fontstyle";
inline constexpr wchar_t kFontUnit[] = L"fontunit";
inline constexpr wchar_t kColor[] = L"color";
inline constexpr wchar_t kImage[] = L"image";
inline constexpr wchar_t kRtfText[] = L"rtftext";
inline constexpr wchar_t kLineHeight[] = L"lineheight";
inline constexpr wchar_t kRowStates[] = L"rowstates";
inline constexpr wchar_t kAutoChangeLine[] = L"AutoChangeLine";
inline constexpr wchar_t kIsFixed[] = L"IsFixed";
inline constexpr wchar_t kEncryptShow[] = L"EncryptShow";
} // namespace NoteKey

inline constexpr uint32_t kDefaultCurColor = 0xFF000000;

struct NoteRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct ChildItemRef {
    int id = 0;
    std::wstring identify; // one of the three child classes
};

// What the manager and the loader read from a note record in one load.
struct NoteFields {
    int id = 0;
    std::wstring unique, group, datetime, bkimage, pngview;
    int ishide = 0;
    bool has_rect = false; // all four edges present
    NoteRect rect;
};

class NoteRecord {
public:
    // root: "MerlaItem", a child class name or "TplItem"; id is written as "ID" when the file or
    // its root is created by a write (0: no "ID").
    NoteRecord(std::wstring path, std::wstring root, int id = 0);
    // folder + name + ".xml"; folder ends with "\".
    static NoteRecord ForNote(const std::wstring& folder, const std::wstring& name, int id = 0);
    // folder + "%d.xml".
    static NoteRecord ForChild(const std::wstring& folder, int child_id, const std::wstring& cls);
    const std::wstring& Path() const { return path_; }
    const std::wstring& Root() const { return root_; }

    // Writes create the file with its root when missing (a damaged file is rebuilt around it).
    bool WriteInt(std::wstring_view key, int value) const;
    bool WriteText(std::wstring_view key, std::wstring_view text) const;
    // "left", "top", "right", "bottom" together, in that order.
    bool WriteRect(const NoteRect& rect) const;

    // Reads never create the file; false when the file, its root or the key is missing.
    bool Exists() const;
    bool ReadInt(std::wstring_view key, int& out) const;
    bool ReadInt64(std::wstring_view key, int64_t& out) const;
    bool ReadText(std::wstring_view key, std::wstring& out) const;
    // True only when all four edges are present; rect is left alone otherwise.
    bool ReadRect(NoteRect& rect) const;
    bool ReadFields(NoteFields& fields) const;

    // "ChildItems": an "Item" per child, in the order the children were added.
    bool AddChildItem(int child_id, std::wstring_view cls) const;
    // Also deletes the child's record and rich content when it was listed. An image item's picture
    // stays: it belongs to the note, and another item may show the same file.
    bool RemoveChildItem(int child_id) const;
    // Skips items with id 0 or an unknown class.
    std::vector<ChildItemRef> LoadChildren() const;

private:
    std::wstring path_, root_;
    int id_;
};

// Many reads of one record from a single load: it sees the file as it was when made. Missing file,
// root or key read as false, as NoteRecord's reads do.
class NoteRecordReader {
public:
    explicit NoteRecordReader(const NoteRecord& record);
    // A record loaded already, e.g. by the listing that found the note.
    NoteRecordReader(CXmlDoc loaded, const std::wstring& root);

    bool ok() const { return ok_; }
    bool ReadInt(std::wstring_view key, int& out);
    bool ReadInt64(std::wstring_view key, int64_t& out);
    bool ReadText(std::wstring_view key, std::wstring& out);
    bool ReadRect(NoteRect& rect);
    // "ChildItems" as NoteRecord::LoadChildren reads it.
    std::vector<ChildItemRef> LoadChildren();

private:
    CXmlDoc doc_;
    bool ok_ = false;
};

// The four edges of a record opened at its root level; false unless all four are there.
bool ReadNoteEdges(CXmlDoc& doc, NoteRect& rect);

// Names a note that has none (MakeUniqueStamp of its id, folder created under base) and writes
// "unique" into a record that lacks it. Answers the name.
std::wstring EnsureNoteUnique(const std::wstring& base, std::wstring name, int id);
bool IsKnownChildClass(std::wstring_view cls);
// A file name read from a record names a file inside the note folder only: no path, no "." or "..".
bool IsPlainFileName(const std::wstring& name);
// "%04d年%02d月%02d日 %02d时%02d分%02d秒", the form of "datetime" and "updatetime".
std::wstring FormatNoteTime(int year, int month, int day, int hour, int minute, int second);
std::wstring NoteTimeNow();
// The files of one child item: its record, its rich content and its picture.
void DeleteChildFiles(const std::wstring& folder, int child_id);
// Only the child item's record and rich content.
void DeleteChildRecordFiles(const std::wstring& folder, int child_id);
// Background picture, every child's files, the record, then the folder itself.
void DeleteNoteFiles(const std::wstring& folder, const std::wstring& name);
