#pragma once
// The notes page's full-text search: the next note whose rich text contains a text, looked for in the
// current group first, then in every other row of the group list, starting after the last hit and
// wrapping round. Only rich text boxes are searched; plain text boxes and pictures are not.
//
//   SearchResult r = search.Next(box_text, filter, groups.Rows(), groups.Selected());
//   if (r.status == SearchResult::kFound) ... show row r.row, mark the card named r.name
//
// Nothing is cached between searches: every note record and content file is read as it is on disk.
#include <string>
#include <vector>

inline constexpr wchar_t kMsgSearchEmpty[] = L"请输入搜索文本！";
inline constexpr wchar_t kMsgSearchNotFound[] = L"没有找到含有搜索文本的便签！";

struct SearchResult {
    enum Status { kFound, kEmptyText, kNotFound };
    Status status = kNotFound;
    std::wstring name;   // the note's folder name
    int row = -1;        // row of its group in the rows given to Next
    std::wstring folder; // its group folder, with trailing "\"
};

class NoteSearch {
public:
    // The card list's view filters.
    static constexpr int kFilterAll = 0;
    static constexpr int kFilterShown = 1;
    static constexpr int kFilterHidden = 2;

    NoteSearch();
    ~NoteSearch();
    NoteSearch(const NoteSearch&) = delete;
    NoteSearch& operator=(const NoteSearch&) = delete;

    // group_rows: the group list's rows ("系统分组" and "回收站" among them); current_row: the
    // selected one, searched first (none when out of range). A miss forgets the last hit, so the next
    // search starts from the beginning again.
    SearchResult Next(const std::wstring& text, int filter, const std::vector<std::wstring>& group_rows,
                      int current_row);

    const std::wstring& LastText() const { return last_text_; }
    const std::wstring& LastHit() const { return last_hit_; }

private:
    struct Candidate {
        int row;
        size_t folder; // index into folders_
        std::wstring name;
    };

    void Collect(const std::vector<std::wstring>& group_rows, int current_row);
    size_t StartIndex() const;
    bool Matches(const Candidate& candidate, int filter);
    bool RichTextContains(const std::wstring& path);

    std::wstring last_text_;
    std::wstring last_hit_;

    // Scratch of one search, kept so that buffers are reused from file to file.
    std::wstring needle_;
    std::wstring haystack_;
    std::vector<std::wstring> folders_;
    std::vector<Candidate> candidates_;
};
