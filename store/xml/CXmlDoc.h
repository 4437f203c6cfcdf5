#pragma once
// The XML document behind every file the program keeps. The document is one UTF-16 text plus an
// index of element positions; edits change the text in place, so a file loaded, changed in one
// value and saved keeps every other byte. Navigation is a forward-only cursor:
//
//   parent   the element whose children are walked (the document itself at the top)
//   current  the element found last among parent's children (none: before the first child)
//   child    inside current, the position Into() resumes from
//
// Files written by AddNext/Into/OutOf hold one element per line with CR LF and no declaration:
//   doc.AddNext(L"r"); doc.Into(); doc.AddNextInt(L"a", 1); doc.AddNext(L"b");
//   gives "<r>\r\n<a>1</a>\r\n<b/>\r\n</r>\r\n".
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CXmlDoc {
public:
    enum AddFlags : int {
        kCData = 0x1,           // data written as a CDATA section
        kSpaceBeforeSlash = 0x4 // empty element written as "<name />"
    };
    enum DocFlags : uint32_t {
        kBomUtf16LE = 0x1,
        kBomUtf8 = 0x4,
        kBomUtf16BE = 0x80,
        kNotWellFormed = 0x800000,
    };

    CXmlDoc() = default;

    // Reads and parses the file. True when it is well formed; the text is kept either way.
    bool Load(const std::wstring& path);
    // Loads a file that is about to be changed and saved. A missing file (or folder) starts an empty
    // document and a damaged one keeps its text; false only for a file that is there but cannot be
    // read (locked, too large), which must never be written over.
    bool LoadForEdit(const std::wstring& path);
    // Replaces the file through a temporary file beside it; on failure the old file stays.
    bool Save(const std::wstring& path);
    // Parses text held in memory (no encoding step).
    bool SetDoc(std::wstring_view text);
    const std::wstring& GetDoc() const { return text_; }
    // Result words of the last load, save or parse, as empty elements ("<read .../><bom .../>").
    const std::wstring& GetResult() const { return result_; }
    bool IsWellFormed() const { return !(flags_ & kNotWellFormed) && root_count_ == 1; }
    uint32_t GetDocFlags() const { return flags_; }

    bool FindNext(std::wstring_view name = {});
    void Rewind();
    bool Into();
    bool OutOf();
    bool AddNext(std::wstring_view name, std::wstring_view data = {}, int flags = 0);
    bool RemoveCurrent();
    std::wstring GetTagName() const;
    std::wstring GetText() const;
    bool SetText(std::wstring_view text, int flags = 0);
    std::wstring GetAttr(std::wstring_view name) const;
    bool SetAttr(std::wstring_view name, std::wstring_view value);
    bool HasCurrent() const { return current_ != 0; }

    bool AddNextInt(std::wstring_view name, int value);
    bool SetChildInt(std::wstring_view name, int value);
    bool SetChildText(std::wstring_view name, std::wstring_view text);
    bool EnsureChild(std::wstring_view name);
    bool GetChildInt(std::wstring_view name, int& out);
    bool GetChildInt64(std::wstring_view name, int64_t& out);
    bool GetChildText(std::wstring_view name, std::wstring& out);

    static std::wstring EscapeText(std::wstring_view text);
    static std::wstring EscapeAttr(std::wstring_view text);
    static std::wstring Decode(std::wstring_view text);

private:
    struct Element {
        uint32_t start = 0;     // offset of "<"
        uint32_t length = 0;    // up to the end of the end tag
        uint32_t start_tag = 0; // length of the start tag
        uint32_t end_tag = 0;   // 0 for "<x/>" and for elements never closed
        uint32_t level = 0;
        int parent = 0, first_child = 0, last_child = 0, next = 0, prev = 0;
        bool live = false;
    };

    void Parse();
    void Note(std::wstring_view word, std::wstring_view attrs);
    void NoteError(std::wstring_view word, std::wstring_view kind, size_t offset);
    int NewElement();
    void FreeSubtree(int e);
    void Link(int e, int parent, int after);
    void Unlink(int e);
    // Replaces text [pos, pos+old_len) and moves every element offset behind it.
    void Splice(size_t pos, size_t old_len, std::wstring_view with, int owner);
    std::wstring_view NameOf(int e) const;
    bool ContentRange(int e, size_t& begin, size_t& end) const;
    bool NameMatches(int e, std::wstring_view name) const;
    bool FindAttr(int e, std::wstring_view name, size_t& value_begin, size_t& value_end) const;

    std::wstring text_;
    std::wstring result_;
    std::vector<Element> elems_{Element{}}; // [0] is the document
    std::vector<int> free_;
    int parent_ = 0, current_ = 0, child_ = 0;
    uint32_t flags_ = 0;
    int root_count_ = 0;
    std::wstring encoding_;        // of the loaded file; empty for a new document
    bool file_unreadable_ = false; // the last Load found the file but could not read it
};
