// The pieces of the font bar on their own: the colour grid and its recent colours, the recent font
// and size lists, the drop-down button, and the readers of the texts the pickers keep.
#include "tests/toolkit/PickerTestSupport.h"

#include "app/base/AppPaths.h"
#include "store/xml/CXmlDoc.h"
#include "toolkit/MerlaBtLB.h"
#include "toolkit/pickers/MerlaBKCColor.h"
#include "toolkit/pickers/MerlaFontSel.h"
#include "toolkit/pickers/MerlaSizeSel.h"
#include "toolkit/pickers/PickerValues.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace {

constexpr int kGridWidth = 229, kGridHeight = 211;

std::vector<uint32_t> RecentOf(const MerlaColorSel& grid) {
    std::vector<uint32_t> out;
    for (const auto& s : grid.RecentColors())
        out.push_back(s.color);
    return out;
}

std::vector<std::wstring> RowsOf(const MerlaPickList& list) {
    std::vector<std::wstring> out;
    for (const auto& r : list.Rows())
        out.push_back(r.text);
    return out;
}

// The texts of the elements named item inside container of a settings file, in file order.
std::vector<std::wstring> StoredItems(const std::wstring& file, const wchar_t* root, const wchar_t* container,
                                      const wchar_t* item) {
    std::vector<std::wstring> out;
    CXmlDoc doc;
    if (doc.Load(NormalSetDir() + file) && doc.FindNext(root) && doc.Into() && doc.FindNext(container) &&
        doc.Into())
        while (doc.FindNext(item))
            out.push_back(doc.GetText());
    return out;
}

void WriteRaw(const std::wstring& file, const std::string& bytes) {
    std::ofstream(std::filesystem::path(NormalSetDir() + file), std::ios::binary) << bytes;
}

struct GridFixture {
    ColorWnd top{0xFFFFFFFF};
    MerlaColorSel grid;
    GridFixture() {
        EXPECT_TRUE(top.CreateTop(0, 0, 240, 220));
        EXPECT_TRUE(
            grid.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 3, 3, kGridWidth, kGridHeight, top.GetHandle()));
    }
};

} // namespace

TEST(MerlaColorSel, SwatchesHoldTheTableColoursAtTheirPlaces) {
    GridFixture f;
    LSurface s = f.grid.RenderContent();
    struct Spot {
        int column, y;
        uint32_t argb;
    };
    const Spot spots[] = {
        {3, 58, 0xFF4F81BD},  {0, 58, 0xFF000000},  {9, 58, 0xFFFFFFFF},  {0, 81, 0xFF7F7F7F},
        {4, 96, 0xFFE5B9B7},  {2, 111, 0xFF548DD4}, {8, 126, 0xFFE56C09}, {8, 141, 0xFF974806},
        {9, 141, 0xFF7F7F7F}, {0, 188, 0xFFC00000}, {6, 188, 0xFF00B0F0}, {9, 188, 0xFF7030A0},
    };
    for (const Spot& spot : spots) {
        const int x = 7 + 22 * spot.column;
        EXPECT_EQ(s.Pixel(x, spot.y), spot.argb) << spot.column << "," << spot.y;
        EXPECT_EQ(s.Pixel(x + 14, spot.y + 14), spot.argb) << spot.column << "," << spot.y;
    }
    // The recent row starts with black: a 15 x 15 outline around a 13 x 13 fill.
    EXPECT_EQ(s.Pixel(7, 7), 0xFFE2E4E7u);
    EXPECT_EQ(s.Pixel(8, 8), 0xFF000000u);
    EXPECT_EQ(s.Pixel(7 + 22, 8), 0u);

    // Hovering makes the swatch's colour current; a click on it reports and records it.
    SendMessageW(f.grid.GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(7 + 22 * 5 + 3, 188 + 3));
    EXPECT_EQ(f.grid.GetCurrentColor(), 0xFF00B050u);
    RecordingParent told;
    ASSERT_TRUE(told.CreateTop(0, 0, 10, 10));
    f.grid.Subscribe(50033, told.GetHandle());
    ClickAt(f.grid, 7 + 22 * 5 + 3, 188 + 3);
    ASSERT_EQ(told.Of(50033).size(), 1u);
    EXPECT_EQ(RecentOf(f.grid), (std::vector<uint32_t>{0xFF00B050, 0xFF000000}));
    ClickAt(f.grid, 7 + 15 + 3, 58 + 5); // between two swatches: nothing
    EXPECT_EQ(told.Of(50033).size(), 1u);
}

TEST(MerlaColorSel, RecentColoursKeepTenNewestFirstAndComeBackInOrder) {
    std::vector<uint32_t> want;
    {
        GridFixture f;
        EXPECT_EQ(RecentOf(f.grid), (std::vector<uint32_t>{0xFF000000}));
        f.grid.AddRecentColor(0xFF112233, false);
        f.grid.AddRecentColor(0xFF112233, false);
        EXPECT_EQ(RecentOf(f.grid), (std::vector<uint32_t>{0xFF112233, 0xFF000000}));
        for (uint32_t i = 1; i <= 9; ++i)
            f.grid.AddRecentColor(0xFF000000 | i, false);
        // Eleven different colours went in: the oldest (black) is gone.
        EXPECT_EQ(f.grid.RecentColors().size(), 10u);
        EXPECT_EQ(RecentOf(f.grid).front(), 0xFF000009u);
        EXPECT_EQ(RecentOf(f.grid).back(), 0xFF112233u);
        f.grid.AddRecentColor(0xFF000003, false); // an equal colour moves to the front
        EXPECT_EQ(RecentOf(f.grid).front(), 0xFF000003u);
        EXPECT_EQ(f.grid.RecentColors().size(), 10u);
        want = RecentOf(f.grid);
        // The file holds the oldest first, as signed decimals.
        const auto stored =
            StoredItems(L"MerlaColorSel.xml", L"MerlaColorSel", L"RecentUserColors", L"ColorItem");
        ASSERT_EQ(stored.size(), 10u);
        EXPECT_EQ(stored.front(), L"-15654349"); // 0xFF112233
        EXPECT_EQ(stored.back(), L"-16777213");  // 0xFF000003
        SendMessageW(f.grid.GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(7 + 22 * 3 + 3, 58 + 3));
        f.grid.AddRecentColor(0xFF000003, false); // stores the current (hovered) colour too
    }
    GridFixture again;
    EXPECT_EQ(RecentOf(again.grid), want);
    EXPECT_EQ(again.grid.GetCurrentColor(), 0xFF4F81BDu);
}

TEST(MerlaColorSel, DamagedSettingsFilesGiveUsableColours) {
    std::mt19937 random(20240611);
    const std::string damaged[] = {
        "",
        "<MerlaColorSel><RecentUserColors><ColorItem>abc</ColorItem><ColorItem>-65536</ColorItem>"
        "<ColorItem>99999999999999</ColorItem><ColorItem></ColorItem></RecentUserColors>"
        "<CurSelColor>x</CurSelColor></MerlaColorSel>",
        "<MerlaColorSel><RecentUserColors><ColorItem>-65536",
        "\xEF\xBB\xBF<MerlaColorSel><RecentUserColors/></MerlaColorSel>",
    };
    for (const std::string& bytes : damaged) {
        WriteRaw(L"MerlaColorSel.xml", bytes);
        GridFixture f;
        for (uint32_t c : RecentOf(f.grid))
            EXPECT_TRUE(c == 0xFF000000u || c == 0xFFFF0000u) << std::hex << c;
        EXPECT_FALSE(f.grid.RecentColors().empty());
    }
    const std::string alphabet = "<>/ MerlaColorSelRecentUserColorsItemCurSel-0123456789\"=&;\r\n\x80\xFF";
    for (int round = 0; round < 20; ++round) {
        std::string bytes;
        for (int i = 0; i < 200; ++i)
            bytes += alphabet[random() % alphabet.size()];
        WriteRaw(L"MerlaColorSel.xml", bytes);
        GridFixture f;
        EXPECT_GE(f.grid.RecentColors().size(), 1u);
        EXPECT_LE(f.grid.RecentColors().size(), 10u);
    }
}

TEST(MerlaFontSel, RecentFontsKeepFiveAndOneEntryPerNameIgnoringCase) {
    std::vector<std::wstring> want;
    {
        ColorWnd owner;
        ASSERT_TRUE(owner.CreateTop(0, 0, 10, 10));
        MerlaFontSel popup;
        ASSERT_TRUE(popup.Create(0, L"", WS_EX_LAYERED, WS_POPUP, 0, 0, 240, 360, owner.GetHandle()));
        EXPECT_EQ(popup.RecentList().GetItemCount(), 0);
        for (const wchar_t* name : {L"Arial", L"Tahoma", L"Courier", L"Verdana", L"Georgia", L"Symbol"})
            popup.AddRecentFont(name);
        EXPECT_EQ(RowsOf(popup.RecentList()),
                  (std::vector<std::wstring>{L"Symbol", L"Georgia", L"Verdana", L"Courier", L"Tahoma"}));
        popup.AddRecentFont(L"verdana");
        EXPECT_EQ(RowsOf(popup.RecentList()),
                  (std::vector<std::wstring>{L"verdana", L"Symbol", L"Georgia", L"Courier", L"Tahoma"}));
        popup.AddRecentFont(L"verdana");
        EXPECT_EQ(popup.RecentList().GetItemCount(), 5);
        want = RowsOf(popup.RecentList());
        EXPECT_EQ(StoredItems(L"MerlaFontList.xml", L"MerlaFontList", L"RecentUseFont", L"fontname"), want);
    }
    ColorWnd owner;
    ASSERT_TRUE(owner.CreateTop(0, 0, 10, 10));
    MerlaFontSel again;
    ASSERT_TRUE(again.Create(0, L"", WS_EX_LAYERED, WS_POPUP, 0, 0, 240, 360, owner.GetHandle()));
    EXPECT_EQ(RowsOf(again.RecentList()), want);
    // The recent list is as high as its rows; the full list starts two captions lower.
    const RECT recent = again.RecentList().WindowRect(), full = again.FullList().WindowRect();
    EXPECT_EQ(recent.bottom - recent.top, 5 * 19);
    EXPECT_EQ(full.top - recent.bottom, 24);
}

TEST(MerlaFontSel, FullListIsTheInstalledFamiliesInTheCollectionsOrder) {
    const std::vector<std::wstring> installed = InstalledFamilies();
    ColorWnd owner;
    ASSERT_TRUE(owner.CreateTop(0, 0, 10, 10));
    MerlaFontSel popup;
    ASSERT_TRUE(popup.Create(0, L"", WS_EX_LAYERED, WS_POPUP, 0, 0, 240, 360, owner.GetHandle()));
    EXPECT_FALSE(installed.empty());
    EXPECT_EQ(RowsOf(popup.FullList()), installed);
    const RECT recent = popup.RecentList().WindowRect();
    EXPECT_EQ(recent.bottom - recent.top, 7); // empty
}

TEST(MerlaSizeSel, SizeTableAndRecentSizesFromAStoredFile) {
    WriteRaw(L"MerlaFontSizeList.xml", "<MerlaFontSizeList><RecentUseSize><fontsize>12</fontsize>"
                                       "<fontsize>abc</fontsize><fontsize>3</fontsize><fontsize>12</fontsize>"
                                       "<fontsize>10.5</fontsize></RecentUseSize></MerlaFontSizeList>");
    ColorWnd owner;
    ASSERT_TRUE(owner.CreateTop(0, 0, 10, 10));
    MerlaSizeSel popup;
    ASSERT_TRUE(popup.Create(0, L"", WS_EX_LAYERED, WS_POPUP, 0, 0, 108, 360, owner.GetHandle()));
    EXPECT_EQ(RowsOf(popup.FullList()),
              (std::vector<std::wstring>{L"8", L"9", L"10", L"11", L"12", L"14", L"16", L"18", L"20", L"22",
                                         L"24", L"26", L"28", L"36", L"48", L"72"}));
    EXPECT_EQ(RowsOf(popup.RecentList()), (std::vector<std::wstring>{L"12", L"10.5"}));
    popup.AddRecentSize(L"16");
    EXPECT_EQ(StoredItems(L"MerlaFontSizeList.xml", L"MerlaFontSizeList", L"RecentUseSize", L"fontsize"),
              (std::vector<std::wstring>{L"16", L"12", L"10.5"}));
}

TEST(MerlaBtLB, ArrowPicturePostsTheDropDownElsewhereAClick) {
    RecordingParent parent;
    ASSERT_TRUE(parent.CreateTop(0, 0, 200, 50));
    MerlaBtLB bt(L"10分");
    ASSERT_TRUE(bt.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 80, 24, parent.GetHandle()));
    EXPECT_EQ(bt.GetIcon(), L"listarrow.png");
    bt.RenderContent();
    const RECT arrow = bt.GetPictureRect();
    ASSERT_FALSE(IsRectEmpty(&arrow));
    EXPECT_GT(arrow.left, 10); // after the text
    ClickAt(bt, (arrow.left + arrow.right) / 2, (arrow.top + arrow.bottom) / 2);
    ClickAt(bt, 2, 12);
    PumpMessages();
    ASSERT_EQ(parent.Of(50012).size(), 1u);
    EXPECT_EQ(parent.Of(50012)[0].wp, static_cast<WPARAM>(bt.GetId()));
    ASSERT_EQ(parent.Of(LNotify::kButtonClicked).size(), 1u);
}

TEST(PickerValues, ColourAndSizeTextsAreReadStrictly) {
    uint32_t argb = 1;
    EXPECT_TRUE(ParseArgbText(L"-16777216", argb));
    EXPECT_EQ(argb, 0xFF000000u);
    EXPECT_TRUE(ParseArgbText(L" 4294967295 ", argb));
    EXPECT_EQ(argb, 0xFFFFFFFFu);
    EXPECT_EQ(ArgbText(0xFF4F81BD), L"-11566659");
    for (const wchar_t* bad : {L"", L"-", L"12a", L"0x10", L"4294967296", L"-2147483649", L"1 2"})
        EXPECT_FALSE(ParseArgbText(bad, argb)) << testing::PrintToString(std::wstring(bad));
    double size = 0;
    EXPECT_TRUE(ParseSizeText(L"10.5", size));
    EXPECT_EQ(size, 10.5);
    EXPECT_TRUE(ParseSizeText(L" 12 ", size));
    EXPECT_EQ(size, 12.0);
    for (const wchar_t* bad : {L"", L".", L"abc", L"1e5", L"-3", L"1.2.3", L"12px"})
        EXPECT_FALSE(ParseSizeText(bad, size)) << testing::PrintToString(std::wstring(bad));
    EXPECT_EQ(SizeText(12), L"12");
    EXPECT_EQ(SizeText(10.5), L"10.5");

    // Whatever they are given, an accepted text reads back the same way it is written.
    std::mt19937 random(7);
    const std::wstring alphabet = L" -+.0123456789ae\x4E2D";
    for (int round = 0; round < 2000; ++round) {
        std::wstring text;
        for (size_t n = random() % 14; n > 0; --n)
            text += alphabet[random() % alphabet.size()];
        if (ParseArgbText(text, argb)) {
            uint32_t again = 0;
            EXPECT_TRUE(ParseArgbText(ArgbText(argb), again));
            EXPECT_EQ(again, argb);
        }
        if (ParseSizeText(text, size)) {
            EXPECT_GE(size, 0.0);
        }
    }
}
