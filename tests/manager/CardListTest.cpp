// The manager's card list, group list and tab strips: where cards go, how the selection is built and
// kept, how the lists look, and what they tell the page.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "app/base/NoteRegistries.h"
#include "manager/CardLayout.h"
#include "manager/MxMiGroupList.h"
#include "manager/MxMiListNote.h"
#include "manager/MxMiTab.h"
#include "note/MerlaItem.h"
#include "store/GroupList.h"
#include "store/NoteRecord.h"
#include "tests/store/TestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kDay1[] = L"2026年01月02日 03时04分05秒";
constexpr wchar_t kDay2[] = L"2026年01月03日 09时00分00秒";
constexpr wchar_t kDay3[] = L"2026年02月01日 10时30分00秒";

NoteSummary Row(const std::wstring& name, int w = 100, int h = 80, const std::wstring& created = kDay1,
                const std::wstring& group = L"系统分组", int state = 1) {
    NoteSummary row;
    row.name = name;
    row.folder = NoteItemsDir();
    row.width = w;
    row.height = h;
    row.created = created;
    row.group = group;
    row.state = state;
    row.hidden = state == 2 ? 1 : 0;
    return row;
}

// A note record as the note window writes it.
void MakeNote(const std::wstring& name, int w, int h, int hidden = 0) {
    const NoteRecord rec = NoteRecord::ForNote(NoteFolder(name), name, 0);
    rec.WriteText(NoteKey::kUnique, name);
    rec.WriteRect({100, 100, 100 + w, 100 + h});
    rec.WriteText(NoteKey::kDateTime, kDay1);
    rec.WriteInt(NoteKey::kIsHide, hidden);
}

// Stands in for the page: keeps what the controls tell it.
class Page : public ColorWnd {
public:
    struct Message {
        UINT code;
        WPARAM wp;
        LPARAM lp;
        std::wstring name, group;
    };
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override {
        if (message == 50019 || message == 50020 || message == 2135 || message == 50027)
            got.push_back({message, wp, lp, {}, {}});
        if (message == 50022)
            got.push_back({message, wp, lp, reinterpret_cast<const wchar_t*>(wp),
                           reinterpret_cast<const wchar_t*>(lp)});
        return ColorWnd::WindowProc(message, wp, lp);
    }
    std::vector<Message> got;
};

POINT Centre(const RECT& r) {
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class CardList : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(page.CreateTop(0, 0, 600, 500));
        ASSERT_TRUE(list.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 500, 400, page.GetHandle()));
        list.Subscribe(50022, page.GetHandle());
    }
    void Show(const std::vector<NoteSummary>& rows, const wchar_t* mode = L"无分栏") {
        list.SetColumnMode(mode);
        list.SetNotes(rows);
        list.LayoutCards();
    }
    void ClickCard(size_t i) {
        const POINT p = Centre(list.CardClientRect(i));
        list.OnClick(0, p.x, p.y);
    }
    void ClickBand(size_t i) {
        RECT r = list.Bands()[i].rect;
        OffsetRect(&r, 0, -list.GetVerticalPos());
        list.OnClick(0, r.left + 2, r.top + 2);
    }

    Page page;
    MxMiListNote list;
};

} // namespace

// --- layout

TEST(CardLayout, RowsShareTheirBottomLineAndWrapAtTheWidth) {
    const CardLayout l = LayOutCards(kColumnsNone, {{100, 50, {}}, {100, 80, {}}, {200, 40, {}}}, 400);
    EXPECT_EQ(l.left, (std::vector<int>{29, 153, 29}));
    // The row of 80 ends at 24 + 80; the next row starts 24 below.
    EXPECT_EQ(l.top, (std::vector<int>{54, 24, 128}));
    EXPECT_EQ(l.content_height, 128 + 40 + 24);
    EXPECT_EQ(l.content_width, 153 + 100 + 24);
    EXPECT_TRUE(l.bands.empty());
}

TEST(CardLayout, CardWiderThanTheListHasARowOfItsOwn) {
    const CardLayout l = LayOutCards(kColumnsNone, {{100, 50, {}}, {600, 50, {}}, {100, 50, {}}}, 400);
    EXPECT_EQ(l.left, (std::vector<int>{29, 29, 29}));
    EXPECT_EQ(l.top, (std::vector<int>{24, 98, 172}));
    EXPECT_EQ(l.content_width, 29 + 600 + 24);
}

TEST(CardLayout, ByDayGivesOneBandPerDayStartingAtTheRowAbove) {
    std::vector<CardShape> cards;
    for (const wchar_t* day : {kDay1, kDay1, kDay2, kDay3})
        cards.push_back({100, 50, CardSectionTitle(kColumnsByDay, day, L"")});
    const CardLayout l = LayOutCards(kColumnsByDay, cards, 500);
    ASSERT_EQ(l.bands.size(), 3u);
    EXPECT_EQ(l.bands[0].title, L"2026年01月02日");
    EXPECT_EQ(l.bands[1].title, L"2026年01月03日");
    EXPECT_EQ(l.bands[2].title, L"2026年02月01日");
    EXPECT_EQ(l.bands[0].cards, (std::vector<size_t>{0, 1}));
    EXPECT_EQ(l.bands[0].top, 60);
    EXPECT_EQ(l.bands[0].bottom, 120);
    EXPECT_EQ(l.bands[0].left, 24);
    EXPECT_EQ(l.bands[0].right, 500 - 24);
    EXPECT_EQ(l.top[0], 120);
    // The next band begins right at the bottom of the row before it.
    EXPECT_EQ(l.bands[1].top, 170);
    EXPECT_EQ(l.top[2], 230);
    EXPECT_EQ(l.content_height, l.top[3] + 50 + 24);
    EXPECT_EQ(CardSectionTitle(kColumnsByDay, L"无空格", L""), L"无空格");
}

TEST(CardLayout, ByGroupShowsTheDefaultGroupFirstAndGathersSections) {
    std::vector<CardShape> cards;
    for (const wchar_t* group : {L"A", L"", L"B", L"系统分组", L"A"})
        cards.push_back({100, 50, CardSectionTitle(kColumnsByGroup, L"", group)});
    const CardLayout l = LayOutCards(kColumnsByGroup, cards, 1000);
    ASSERT_EQ(l.bands.size(), 3u);
    EXPECT_EQ(l.bands[0].title, L"系统分组");
    EXPECT_EQ(l.bands[0].cards, (std::vector<size_t>{1, 3}));
    EXPECT_EQ(l.bands[1].title, L"A");
    EXPECT_EQ(l.bands[1].cards, (std::vector<size_t>{0, 4}));
    EXPECT_EQ(l.bands[2].title, L"B");
    EXPECT_EQ(l.left[1], 29);
    EXPECT_EQ(l.left[3], 153);
    EXPECT_LT(l.top[3], l.top[0]);
}

TEST(CardLayout, CardSidesAreClampedAndNeverBelowOne) {
    EXPECT_EQ(CardSide(180, 0.4, 4096), 72);
    EXPECT_EQ(CardSide(100000, 1.0, 4096), 4096);
    EXPECT_EQ(CardSide(-30, 1.0, 4096), 1);
    EXPECT_EQ(CardSide(0, 1.0, 4096), 1);
}

// --- selection

TEST_F(CardList, ClickSelectsAndTellsThePageSecondClickDeselects) {
    Show({Row(L"a"), Row(L"b", 100, 80, kDay1, L"工作")});
    ClickCard(1);
    EXPECT_EQ(list.SelectedNames(), (std::set<std::wstring>{L"b"}));
    ASSERT_EQ(page.got.size(), 1u);
    EXPECT_EQ(page.got[0].code, 50022u);
    EXPECT_EQ(page.got[0].name, L"b");
    EXPECT_EQ(page.got[0].group, L"工作");
    ClickCard(1);
    EXPECT_TRUE(list.SelectedNames().empty());
    EXPECT_EQ(page.got.size(), 1u); // deselecting tells nothing
    // A click between cards changes nothing.
    list.OnClick(0, 5, 5);
    EXPECT_TRUE(list.SelectedNames().empty());
}

TEST_F(CardList, BandMarkSelectsItsSectionAndUnmarkDeselectsItAll) {
    Show({Row(L"a", 100, 80, kDay1), Row(L"b", 100, 80, kDay1), Row(L"c", 100, 80, kDay2)}, L"创建时间分栏");
    ASSERT_EQ(list.Bands().size(), 2u);
    ClickCard(0);
    ClickBand(0);
    EXPECT_TRUE(list.IsBandMarked(0));
    EXPECT_EQ(list.BandFrameColor(0), 0xFFFB7946u);
    EXPECT_EQ(list.SelectedNames(), (std::set<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(page.got.size(), 1u); // only the single click told the page
    ClickBand(0);
    EXPECT_FALSE(list.IsBandMarked(0));
    EXPECT_TRUE(list.SelectedNames().empty());
    // The mark outlives a switch of the column mode and back.
    ClickBand(1);
    list.SetColumnMode(L"无分栏");
    list.LayoutCards();
    EXPECT_TRUE(list.Bands().empty());
    list.SetColumnMode(L"创建时间分栏");
    list.LayoutCards();
    EXPECT_TRUE(list.IsBandMarked(1));
    EXPECT_FALSE(list.IsBandMarked(0));
}

TEST_F(CardList, InvertOnNothingSelectsAllAndSelectAllTakesEveryCard) {
    Show({Row(L"a"), Row(L"b"), Row(L"c")});
    list.InvertSelection();
    EXPECT_EQ(list.SelectedNames().size(), 3u);
    ClickCard(1);
    list.InvertSelection();
    EXPECT_EQ(list.SelectedNames(), (std::set<std::wstring>{L"b"}));
    list.SelectAll();
    EXPECT_EQ(list.SelectedNames().size(), 3u);
}

TEST_F(CardList, SelectionBelongsToItsGroupAndColumnMode) {
    list.SetGroupName(L"工作");
    Show({Row(L"a"), Row(L"b")});
    ClickCard(0);
    list.SetGroupName(L"系统分组");
    Show({Row(L"a"), Row(L"c")});
    EXPECT_TRUE(list.SelectedNames().empty());
    list.SetGroupName(L"工作");
    Show({Row(L"a"), Row(L"b")});
    EXPECT_EQ(list.SelectedNames(), (std::set<std::wstring>{L"a"}));
    Show({Row(L"a"), Row(L"b")}, L"创建时间分栏");
    EXPECT_TRUE(list.SelectedNames().empty());
    Show({Row(L"a"), Row(L"b")}, L"无分栏");
    EXPECT_EQ(list.SelectedNames(), (std::set<std::wstring>{L"a"}));
}

// --- look

TEST_F(CardList, FramesFollowHoverSelectionAndSearchHitInThatOrder) {
    Show({Row(L"a"), Row(L"h", 100, 80, kDay1, L"系统分组", 2)});
    EXPECT_EQ(list.CardFrame(0).color, 0xFFD6D6D6u);
    EXPECT_EQ(list.CardFrame(0).pen, 1.0f);
    EXPECT_EQ(list.CardFrame(1).color, 0xBAA976B9u);
    const POINT p0 = Centre(list.CardClientRect(0)), p1 = Centre(list.CardClientRect(1));
    list.OnMouseHover(0, p1.x, p1.y);
    EXPECT_EQ(list.CardFrame(1).color, 0xFFA976B9u);
    list.OnMouseHover(0, p0.x, p0.y);
    EXPECT_EQ(list.CardFrame(0).color, 0xFF6F6F6Fu);
    EXPECT_EQ(list.CardFrame(1).color, 0xBAA976B9u);
    ClickCard(0);
    EXPECT_EQ(list.CardFrame(0).color, 0xFFFB7946u);
    EXPECT_EQ(list.CardFrame(0).pen, 1.0f);
    list.MarkSearchHit(L"a");
    EXPECT_EQ(list.CardFrame(0).color, 0xFF70D33Fu);
    EXPECT_EQ(list.CardFrame(0).pen, 2.0f);
    // Drawn 5 pixels outside the card, two pixels wide.
    const RECT r = list.CardClientRect(0);
    const LSurface s = list.RenderContent();
    EXPECT_EQ(s.Pixel(r.left - 5, r.top + 10), 0xFF70D33Fu);
    EXPECT_EQ(s.Pixel(r.left - 4, r.top + 10), 0xFF70D33Fu);
    EXPECT_EQ(s.Pixel(r.left - 3, r.top + 10), 0xFFFFFFFFu);
    list.MarkSearchHit(L"h");
    EXPECT_EQ(list.CardFrame(0).color, 0xFFFB7946u);
    EXPECT_TRUE(list.Cards()[1].search_hit);
}

TEST_F(CardList, SearchHitIsScrolledIntoView) {
    std::vector<NoteSummary> rows;
    for (int i = 0; i < 12; ++i)
        rows.push_back(Row(L"n" + std::to_wstring(i), 400, 100));
    Show(rows);
    ASSERT_GT(list.ContentHeight(), 400);
    list.MarkSearchHit(L"n11");
    EXPECT_EQ(list.GetVerticalPos(), list.Cards()[11].rect.bottom - 400);
    list.MarkSearchHit(L"n1");
    EXPECT_EQ(list.GetVerticalPos(), list.Cards()[1].rect.top);
    list.MarkSearchHit(L"n2"); // already in view: nothing moves
    EXPECT_EQ(list.GetVerticalPos(), list.Cards()[1].rect.top);
}

// --- pictures

namespace {

class CountingList : public MxMiListNote {
public:
    LSurface GetCardSurface(Card& card) override {
        ++made;
        return MxMiListNote::GetCardSurface(card);
    }
    int made = 0;
};

} // namespace

TEST_F(CardList, OnlyCardsInViewGetPicturesAndAThousandShowAtOnce) {
    CountingList big;
    ASSERT_TRUE(big.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 500, 400, page.GetHandle()));
    MakeNote(L"real", 180, 120);
    std::vector<NoteSummary> rows{Row(L"real", 180, 120)};
    for (int i = 1; i < 1000; ++i)
        rows.push_back(Row(L"n" + std::to_wstring(i), 180, 120));
    big.SetNotes(rows);
    const auto start = std::chrono::steady_clock::now();
    big.LayoutCards();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    EXPECT_LT(ms, 1000);
    EXPECT_GT(big.made, 0);
    EXPECT_LT(big.made, 20);
    ASSERT_TRUE(big.Cards()[0].picture);
    EXPECT_EQ(big.Cards()[0].picture.width(), 180);
}

TEST_F(CardList, ClosedNotesAreDrawnWithoutAWindowOrAWrite) {
    MakeNote(L"quiet", 200, 150);
    MakeNote(L"gone", 200, 150, 1);
    const std::wstring record = NoteFolder(L"quiet") + L"quiet.xml";
    const std::string before = ReadAll(record);
    list.SetFolder(NoteItemsDir());
    list.SetFilter(L"全部");
    list.Reload();
    list.LayoutCards();
    ASSERT_EQ(list.Cards().size(), 2u);
    for (const auto& card : list.Cards())
        EXPECT_TRUE(card.picture_made);
    EXPECT_TRUE(OpenNotesByName().empty());
    EXPECT_EQ(ReadAll(record), before);
    list.SetFilter(L"仅隐藏的");
    list.Reload();
    ASSERT_EQ(list.Cards().size(), 1u);
    EXPECT_EQ(list.Cards()[0].note.name, L"gone");
    list.SetFilter(L"仅显示的");
    list.Reload();
    ASSERT_EQ(list.Cards().size(), 1u);
    EXPECT_EQ(list.Cards()[0].note.name, L"quiet");
}

TEST_F(CardList, ExportWritesOnePictureFilePerNamedNote) {
    MakeNote(L"one", 200, 150);
    MakeNote(L"two", 120, 90);
    list.SetFolder(NoteItemsDir());
    list.Reload();
    const std::wstring out = DataDir() + L"export";
    ASSERT_TRUE(CreateDirectoryW(out.c_str(), nullptr));
    EXPECT_TRUE(list.ExportPictures({L"two"}, out));
    int w = 0, h = 0;
    EXPECT_TRUE(PictureFileSize(out + L"\\two.png", w, h));
    EXPECT_EQ(w, 120);
    EXPECT_EQ(h, 90);
    EXPECT_FALSE(PictureFileSize(out + L"\\one.png", w, h));
}

TEST_F(CardList, ARecordClaimingHugeSizesGivesABoundedPicture) {
    MakeNote(L"huge", 100000, 100000);
    list.SetFolder(NoteItemsDir());
    list.Reload();
    ASSERT_EQ(list.Cards().size(), 1u);
    EXPECT_LE(list.Cards()[0].width, 4096);
    EXPECT_LE(list.Cards()[0].height, 4096);
    MxMiNList::Card card;
    card.note = list.Cards()[0].note;
    card.width = list.Cards()[0].width;
    card.height = list.Cards()[0].height;
    const LSurface picture = list.GetCardSurface(card);
    EXPECT_LE(picture.width(), 4096);
    EXPECT_LE(picture.height(), 4096);
}

namespace {

// Plays the user on the note opened for changing: makes it wider and ends the change.
std::wstring g_editing;
bool g_from_manager = false;
void CALLBACK ChangeOpenedNote(HWND, UINT, UINT_PTR timer, DWORD) {
    auto it = OpenNotesByName().find(g_editing);
    if (it == OpenNotesByName().end())
        return;
    KillTimer(nullptr, timer);
    MerlaItem* note = it->second;
    g_from_manager = note->IsOpenedFromManager() && note->IsModal();
    const RECT wr = note->WindowRect();
    MoveWindow(note->GetHandle(), wr.left, wr.top, 260, 140, TRUE);
    note->SaveRect();
    SendMessageW(note->GetHandle(), LNotify::kCommand, NoteCmd::kSnapshotAndClose, 0);
}

} // namespace

TEST_F(CardList, DoubleClickChangesTheNoteModallyAndTheCardTakesItsNewLook) {
    MakeNote(L"edit", 200, 150);
    list.SetFolder(NoteItemsDir());
    list.Reload();
    list.LayoutCards();
    g_editing = L"edit";
    SetTimer(nullptr, 0, 50, ChangeOpenedNote);
    const POINT p = Centre(list.CardClientRect(0));
    list.OnLButtonDblClk(0, p.x, p.y);
    EXPECT_TRUE(g_from_manager);
    EXPECT_TRUE(OpenNotesByName().empty());
    ASSERT_EQ(list.Cards().size(), 1u);
    EXPECT_EQ(list.Cards()[0].width, 260);
    EXPECT_EQ(list.Cards()[0].height, 140);
    EXPECT_FALSE(list.Cards()[0].note.preview.empty());
}

// --- group list

TEST(MxMiGroupList, ClickSelectsAndRightClickSelectsBeforeAskingForTheMenu) {
    Page page;
    ASSERT_TRUE(page.CreateTop(0, 0, 300, 300));
    GroupList groups;
    groups.Rebuild();
    groups.AddRow(L"工作");
    MxMiGroupList list;
    ASSERT_TRUE(list.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 160, 200, page.GetHandle()));
    list.SetRows(&groups);
    list.Subscribe(50020, page.GetHandle());
    list.Subscribe(2135, page.GetHandle());
    EXPECT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.RowAt(20, 36 + 35), 1);
    EXPECT_EQ(list.RowAt(20, 3 * 36 + 1), -1);

    list.OnClick(0, 20, 36 + 10);
    EXPECT_EQ(groups.Selected(), 1);
    ASSERT_EQ(page.got.size(), 1u);
    EXPECT_EQ(page.got[0].code, 50020u);
    EXPECT_EQ(page.got[0].lp, 1);

    POINT screen{20, 10};
    ClientToScreen(list.GetHandle(), &screen);
    SendMessageW(list.GetHandle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list.GetHandle()),
                 MAKELPARAM(screen.x, screen.y));
    EXPECT_EQ(groups.Selected(), 0);
    ASSERT_EQ(page.got.size(), 3u);
    EXPECT_EQ(page.got[1].code, 50020u);
    EXPECT_EQ(page.got[1].lp, 0);
    EXPECT_EQ(page.got[2].code, 2135u);
    EXPECT_EQ(page.got[2].lp, MAKELPARAM(screen.x, screen.y));

    // Selected row 0, row 1 under the mouse, row 2 plain; the right edge line.
    list.OnMouseHover(0, 20, 36 + 10);
    const LSurface s = list.RenderContent();
    EXPECT_EQ(s.Pixel(140, 0), 0xFFDCDCDCu);
    EXPECT_EQ(s.Pixel(140, 18), 0xFFFCFCFCu);
    EXPECT_EQ(s.Pixel(140, 35), 0xFFDCDCDCu);
    EXPECT_EQ(s.Pixel(140, 36 + 18), 0xFFEAEAEBu);
    EXPECT_EQ(s.Pixel(140, 72 + 18), 0xFFF4F4F5u);
    EXPECT_EQ(s.Pixel(159, 72 + 18), 0xFFE2E2E3u);
}

// --- tab strips

TEST(MxMiTab, OnlyAClickOnAnotherItemSelectsAndRemovalKeepsTheSelectedText) {
    Page page;
    ASSERT_TRUE(page.CreateTop(0, 0, 400, 100));
    MxMiTab tab;
    ASSERT_TRUE(tab.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 290, 36, page.GetHandle()));
    tab.Subscribe(50019, page.GetHandle());
    for (const wchar_t* t : {L"创建时间分栏", L"无分栏", L"分组分栏显示"})
        tab.AddItem(t);
    EXPECT_EQ(tab.ItemRect(0).left, 11);
    EXPECT_EQ(tab.ItemRect(0).bottom, 36);
    EXPECT_EQ(tab.ItemRect(1).left, tab.ItemRect(0).right);
    EXPECT_GT(tab.ItemRect(0).right - tab.ItemRect(0).left, tab.ItemRect(1).right - tab.ItemRect(1).left);

    const POINT second = Centre(tab.ItemRect(2));
    tab.OnClick(0, second.x, second.y);
    ASSERT_EQ(page.got.size(), 1u);
    EXPECT_EQ(page.got[0].wp, static_cast<WPARAM>(tab.GetId()));
    EXPECT_EQ(page.got[0].lp, 2);
    tab.OnClick(0, second.x, second.y);
    EXPECT_EQ(page.got.size(), 1u);
    tab.SelectItem(2); // the page applies the mode again
    EXPECT_EQ(page.got.size(), 2u);

    tab.RemoveItem(L"无分栏");
    EXPECT_EQ(tab.SelectedText(), L"分组分栏显示");
    EXPECT_EQ(tab.Selected(), 1);
    tab.RemoveItem(L"分组分栏显示");
    EXPECT_EQ(tab.Selected(), -1);
    EXPECT_TRUE(tab.SelectText(L"创建时间分栏"));
    EXPECT_FALSE(tab.SelectText(L"分组分栏显示"));

    // The selected item is underlined in its colour, 2 pixels high and 2 above the bottom.
    tab.SetSelectedColor(0xFFA976B9);
    const RECT r = tab.ItemRect(0);
    const LSurface s = tab.RenderContent();
    EXPECT_EQ(s.Pixel(r.left + 2, 33), 0xFFA976B9u);
    EXPECT_EQ(s.Pixel(r.right - 5, 32), 0xFFA976B9u);
    EXPECT_EQ(s.Pixel(r.left + 1, 33), 0xFFF4F4F5u);
    EXPECT_EQ(s.Pixel(r.left + 2, 34), 0xFFF4F4F5u);
    EXPECT_EQ(s.Pixel(r.right - 4, 33), 0xFFF4F4F5u);
    EXPECT_EQ(s.Pixel(r.right + 20, 35), 0xFFE2E2E3u);
}

TEST(MxMiTabNote, SearchBoxSitsAtTheRightEndAndSearchesOnThePage) {
    Page page;
    ASSERT_TRUE(page.CreateTop(0, 0, 800, 100));
    MxMiTabNote tab;
    ASSERT_TRUE(tab.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 600, 36, page.GetHandle()));
    auto box_rect = [&] {
        RECT r = tab.SearchBox().WindowRect();
        MapWindowPoints(nullptr, tab.GetHandle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    EXPECT_EQ(box_rect().left, 600 - 167);
    EXPECT_EQ(box_rect().top, 4);
    EXPECT_EQ(box_rect().right - box_rect().left, 160);
    EXPECT_EQ(box_rect().bottom - box_rect().top, 28);
    EXPECT_EQ(tab.SearchBox().GetCueText(), L"搜索便签...");
    MoveWindow(tab.GetHandle(), 0, 0, 700, 36, TRUE);
    EXPECT_EQ(box_rect().left, 700 - 167);
    tab.SearchBox().OnEnter();
    ASSERT_EQ(page.got.size(), 1u);
    EXPECT_EQ(page.got[0].code, 50027u);
}
