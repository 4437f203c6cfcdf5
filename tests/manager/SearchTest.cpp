// The notes page's search through rich text boxes across the groups.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "manager/NoteSearch.h"
#include "richtext/CRtfWriter.h"
#include "store/NoteRecord.h"
#include "store/xml/FileBytes.h"

namespace {

constexpr int kRichId = 100002;
constexpr int kPlainId = 100003;
const std::vector<std::wstring> kRows{L"工作", L"系统分组", L"回收站"};
constexpr int kWorkRow = 0, kSystemRow = 1, kRecycleRow = 2;

std::string Rtf(const std::wstring& text) {
    CRtfWriter w;
    w.OpenGroup();
    w.WriteControl("rtf", 1);
    w.WriteControl("ansi");
    w.WriteControl("ansicpg", 936);
    w.WriteText(text);
    w.WriteControl("par");
    w.CloseGroup();
    return w.TakeBytes();
}

// A note with one rich text box holding rtf and, when plain is given, a plain text box too.
void MakeNote(const std::wstring& base, const std::wstring& name, const std::string& rtf, int hidden = 0,
              const std::wstring& plain = {}) {
    const std::wstring folder = NoteFolder(name, base);
    const NoteRecord rec = NoteRecord::ForNote(folder, name, 100001);
    rec.WriteInt(NoteKey::kIsHide, hidden);
    rec.AddChildItem(kRichId, NoteKey::kRichEdit);
    WriteFileAtomic(folder + std::to_wstring(kRichId) + L"_rtf", rtf);
    if (!plain.empty()) {
        rec.AddChildItem(kPlainId, NoteKey::kItemEdit);
        NoteRecord::ForChild(folder, kPlainId, NoteKey::kItemEdit).WriteText(NoteKey::kText, plain);
        // Even a content file beside it is not searched: only rich text boxes are.
        WriteFileAtomic(folder + std::to_wstring(kPlainId) + L"_rtf", Rtf(plain));
    }
}

class SearchTest : public ::testing::Test {
protected:
    std::wstring Hit(const std::wstring& text, int filter = NoteSearch::kFilterAll) {
        const SearchResult r = search.Next(text, filter, kRows, kSystemRow);
        return r.status == SearchResult::kFound ? r.name : L"-";
    }
    NoteSearch search;
};

} // namespace

TEST_F(SearchTest, OnlyRichTextIsSearchedIgnoringCase) {
    MakeNote(NoteItemsDir(), L"plain", Rtf(L"nothing here"), 0, L"xxabcxx");
    MakeNote(NoteItemsDir(), L"rich", Rtf(L"便签 xxABCxx"));
    EXPECT_EQ(Hit(L"abc"), L"rich");
    EXPECT_EQ(Hit(L"abc"), L"rich");
    EXPECT_EQ(Hit(L"便签 XXa"), L"rich");
}

TEST_F(SearchTest, RepeatedSearchStepsThroughHitsAndStartsOver) {
    for (const wchar_t* name : {L"n1", L"n2", L"n3"})
        MakeNote(NoteItemsDir(), name, Rtf(L"ABC"));
    MakeNote(NoteItemsDir(), L"other", Rtf(L"ABD"));
    std::vector<std::wstring> hits;
    for (int i = 0; i < 4; ++i)
        hits.push_back(Hit(L"abc"));
    EXPECT_EQ(std::set<std::wstring>(hits.begin(), hits.begin() + 3),
              (std::set<std::wstring>{L"n1", L"n2", L"n3"}));
    EXPECT_EQ(hits[3], hits[0]);

    // A last hit that vanished starts the search over from the first note.
    DeleteTree(NoteItemsDir() + hits[3] + L"\\");
    EXPECT_EQ(Hit(L"abc"), hits[1]);
}

TEST_F(SearchTest, CurrentGroupComesFirstThenTheRowsInListOrder) {
    EnsureFolder(GroupItemsDir() + L"工作\\");
    MakeNote(GroupItemsDir() + L"工作\\", L"w", Rtf(L"abc"));
    MakeNote(NoteItemsDir(), L"s", Rtf(L"abc"));
    MakeNote(RecycleDir(), L"r", Rtf(L"abc"));
    const std::wstring data = ExeDir() + L"NoteData\\";
    const std::vector<std::tuple<std::wstring, int, std::wstring>> order{
        {L"s", kSystemRow, data + L"NoteItems\\"},
        {L"w", kWorkRow, data + L"NoteItems2\\工作\\"},
        {L"r", kRecycleRow, data + L"Recycle\\"},
        {L"s", kSystemRow, data + L"NoteItems\\"}};
    for (const auto& [name, row, folder] : order) {
        const SearchResult r = search.Next(L"ABC", 0, kRows, kSystemRow);
        EXPECT_EQ(std::tie(r.name, r.row, r.folder), std::tie(name, row, folder));
    }
}

TEST_F(SearchTest, ViewFilterSkipsHiddenOrShownNotes) {
    MakeNote(NoteItemsDir(), L"shown", Rtf(L"abc"), 0);
    MakeNote(NoteItemsDir(), L"hidden", Rtf(L"abc"), 1);
    EXPECT_EQ(Hit(L"abc", 1), L"shown");
    EXPECT_EQ(Hit(L"abc", 1), L"shown");
    EXPECT_EQ(Hit(L"abc", 2), L"hidden");
    EXPECT_EQ(Hit(L"abc", 2), L"hidden");
    EXPECT_EQ(Hit(L"abc", 0), L"shown");
    EXPECT_EQ(Hit(L"abc", 0), L"hidden");
}

TEST_F(SearchTest, EmptyTextChangesNothingAndAMissForgetsTheLastHit) {
    MakeNote(NoteItemsDir(), L"n1", Rtf(L"abc"));
    MakeNote(NoteItemsDir(), L"n2", Rtf(L"abc"));
    const std::wstring first = Hit(L"abc");
    EXPECT_EQ(search.Next(L"", 0, kRows, kSystemRow).status, SearchResult::kEmptyText);
    EXPECT_EQ(search.LastHit(), first);
    EXPECT_EQ(search.Next(L"zzz", 0, kRows, kSystemRow).status, SearchResult::kNotFound);
    EXPECT_EQ(search.LastText(), L"zzz");
    EXPECT_EQ(Hit(L"abc"), first);
}

TEST_F(SearchTest, DamagedContentIsNoMatch) {
    std::string cut = Rtf(L"abc");
    cut.resize(cut.rfind('}')); // the closing brace
    MakeNote(NoteItemsDir(), L"cut", cut);
    MakeNote(NoteItemsDir(), L"hex", "{\\rtf1 abc\\'zz}");
    MakeNote(NoteItemsDir(), L"extra", "{\\rtf1 abc}}");
    // An item naming a file outside its note folder.
    WriteFileAtomic(NoteFolder(L"escape") + L"escape.xml",
                    "<MerlaItem>\r\n<ChildItems>\r\n<Item identify=\"LRichEditNI\">..\\outside</Item>\r\n"
                    "</ChildItems>\r\n</MerlaItem>\r\n");
    WriteFileAtomic(NoteItemsDir() + L"outside_rtf", Rtf(L"abc"));
    EXPECT_EQ(Hit(L"abc"), L"-");
}

TEST_F(SearchTest, RandomContentNeverCrashes) {
    std::string valid = Rtf(L"便签 abc {x}\\");
    valid.insert(valid.rfind('}'), "{\\pict\\pngblip 89504e47}{\\*\\unknown abc}");
    const char* pieces[] = {"{", "}", "\\", "\\'", "\\bin3 ", "\\u-3?", "\\par", "abc", "\\'d6", "\\f999 "};
    std::mt19937 rng(15);
    for (int round = 0; round < 200; ++round) {
        std::string bytes = valid;
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rng() % (bytes.size() + 1);
            if (rng() % 2)
                bytes.insert(at, pieces[rng() % std::size(pieces)]);
            else
                bytes.insert(at, 1, static_cast<char>(rng()));
        }
        if (rng() % 4 == 0)
            bytes.resize(rng() % bytes.size());
        MakeNote(NoteItemsDir(), L"fuzz", bytes);
        const SearchResult r = search.Next(L"abc", 0, kRows, kSystemRow);
        EXPECT_TRUE(r.status == SearchResult::kNotFound || r.name == L"fuzz");
    }
}
