#include "manager/NoteSearch.h"

#include "richtext/CRtfReader.h"
#include "store/NoteRecord.h"
#include "store/NoteStore.h"

#include <cwctype>

namespace {

constexpr wchar_t kRichContentSuffix[] = L"_rtf";

void AppendLowered(std::wstring& out, const std::wstring& text) {
    for (const wchar_t ch : text)
        out.push_back(static_cast<wchar_t>(std::towlower(ch)));
}

} // namespace

NoteSearch::NoteSearch() = default;
NoteSearch::~NoteSearch() = default;

SearchResult NoteSearch::Next(const std::wstring& text, int filter,
                              const std::vector<std::wstring>& group_rows, int current_row) {
    SearchResult result;
    if (text.empty()) {
        result.status = SearchResult::kEmptyText;
        return result;
    }
    if (text != last_text_)
        last_text_ = text;
    needle_.clear();
    AppendLowered(needle_, text);

    Collect(group_rows, current_row);
    // From after the last hit to the end, then round from the first: the last hit itself comes last,
    // so a lone match is found again.
    const size_t count = candidates_.size();
    const size_t start = StartIndex();
    for (size_t k = 0; k < count; ++k) {
        const Candidate& candidate = candidates_[(start + k) % count];
        if (!Matches(candidate, filter))
            continue;
        last_hit_ = candidate.name;
        result.status = SearchResult::kFound;
        result.name = candidate.name;
        result.row = candidate.row;
        result.folder = folders_[candidate.folder];
        return result;
    }
    last_hit_.clear();
    result.status = SearchResult::kNotFound;
    return result;
}

void NoteSearch::Collect(const std::vector<std::wstring>& group_rows, int current_row) {
    folders_.clear();
    candidates_.clear();
    auto add_group = [&](int row) {
        folders_.push_back(GroupFolderFor(group_rows[row]));
        for (std::wstring& name : ListSubFolders(folders_.back()))
            candidates_.push_back({row, folders_.size() - 1, std::move(name)});
    };
    const int rows = static_cast<int>(group_rows.size());
    if (current_row >= 0 && current_row < rows)
        add_group(current_row);
    for (int row = 0; row < rows; ++row) {
        if (row != current_row)
            add_group(row);
    }
}

size_t NoteSearch::StartIndex() const {
    if (last_hit_.empty())
        return 0;
    for (size_t i = 0; i < candidates_.size(); ++i) {
        if (candidates_[i].name == last_hit_)
            return i + 1 < candidates_.size() ? i + 1 : 0;
    }
    return 0;
}

bool NoteSearch::Matches(const Candidate& candidate, int filter) {
    const std::wstring note_folder = folders_[candidate.folder] + candidate.name + L"\\";
    NoteRecordReader stored(NoteRecord::ForNote(note_folder, candidate.name));
    if (!stored.ok())
        return false;
    int hidden = 0;
    stored.ReadInt(NoteKey::kIsHide, hidden);
    if ((filter == kFilterShown && hidden != 0) || (filter == kFilterHidden && hidden == 0))
        return false;
    for (const ChildItemRef& child : stored.LoadChildren()) {
        if (child.identify == NoteKey::kRichEdit &&
            RichTextContains(note_folder + std::to_wstring(child.id) + kRichContentSuffix))
            return true;
    }
    return false;
}

bool NoteSearch::RichTextContains(const std::wstring& path) {
    // A missing file fails to open like any unreadable one: no match either way.
    CRtfReader reader;
    if (reader.Read(path) != kRtfOk)
        return false;
    haystack_.clear();
    for (const RtfRun& run : reader.Runs()) {
        if (!run.IsPicture())
            AppendLowered(haystack_, run.wide);
    }
    return haystack_.find(needle_) != std::wstring::npos;
}
