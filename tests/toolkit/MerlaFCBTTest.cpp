// The font bar as its parent sees it: what each control reports, the sizes and families it hands
// out, and its popups.
#include "tests/toolkit/PickerTestSupport.h"

#include "app/base/AppPaths.h"
#include "richtext/FontRegistry.h"
#include "store/xml/CXmlDoc.h"
#include "toolkit/pickers/MerlaFCBT.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

namespace {

struct BarFixture {
    RecordingParent parent;
    MerlaFCBT bar;
    BarFixture() {
        EXPECT_TRUE(parent.CreateTop(100, 100, 300, 120, true));
        EXPECT_TRUE(bar.CreateBar(parent.GetHandle(), 10, 10));
    }
    // The flag words of the font messages so far, after the posted ones have arrived.
    std::vector<int> FontFlags() {
        PumpMessages();
        std::vector<int> flags;
        for (const RecordedMsg& m : parent.Of(50032)) {
            EXPECT_EQ(m.wp, 0u);
            flags.push_back(static_cast<int>(m.lp));
        }
        return flags;
    }
    void Enter(MerlaEdit& box, const std::wstring& text) {
        TypeInto(box, text);
        box.HandleKey(VK_RETURN);
    }
    void OpenWith(LWnd& arrow) {
        PostMessageW(bar.GetHandle(), 50012, static_cast<WPARAM>(arrow.GetId()), 0);
        PumpMessages();
    }
};

// The family as the glyph engine reads it from a font.
std::wstring FamilyOf(const Gdiplus::Font* font) {
    return DescribeFont(font).family;
}

RECT PlaceIn(LWnd& child, LWnd& bar) {
    RECT r = child.WindowRect();
    MapWindowPoints(nullptr, bar.GetHandle(), reinterpret_cast<POINT*>(&r), 2);
    return RECT{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

} // namespace

TEST(MerlaFCBT, ChildrenAndPopupsAreWhereAndWhatTheBarSays) {
    BarFixture f;
    MerlaFCBT& b = f.bar;
    EXPECT_EQ(b.WindowRect().right - b.WindowRect().left, 187);
    EXPECT_EQ(b.WindowRect().bottom - b.WindowRect().top, 55);
    const std::pair<LWnd*, RECT> places[] = {
        {&b.NameBox(), {2, 2, 66, 20}},
        {&b.FontArrow(), {67, 2, 20, 20}},
        {&b.SizeBox(), {86, 2, 40, 20}},
        {&b.SizeArrow(), {125, 2, 20, 20}},
        {&b.GrowButton(), {145, 2, 20, 20}},
        {&b.ShrinkButton(), {165, 2, 20, 20}},
        {&b.BoldButton(), {2, 25, 20, 20}},
        {&b.ItalicButton(), {22, 25, 20, 20}},
        {&b.UnderlineButton(), {42, 25, 20, 20}},
        {&b.StrikeoutButton(), {62, 25, 20, 20}},
        {&b.HighlightButton(), {82, 25, 20, 20}},
        {&b.HighlightArrow(), {102, 25, 20, 20}},
        {&b.TextColorButton(), {122, 25, 20, 20}},
        {&b.TextColorArrow(), {142, 25, 20, 20}},
    };
    for (const auto& [child, want] : places) {
        const RECT got = PlaceIn(*child, b);
        EXPECT_TRUE(EqualRect(&got, &want))
            << got.left << "," << got.top << " " << got.right << "x" << got.bottom;
    }
    EXPECT_EQ(b.FontArrow().GetId(), 20201);
    EXPECT_EQ(b.HighlightArrow().GetId(), 20203);
    EXPECT_EQ(b.GetNameText(), L"宋体");
    EXPECT_EQ(b.GetSizeText(), L"13");

    struct Popup {
        LWnd* window;
        int width, height;
        DWORD ex_style;
    };
    const Popup popups[] = {
        {&b.FontPopup(), 240, 360, WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW},
        {&b.SizePopup(), 108, 360, WS_EX_NOACTIVATE | WS_EX_LAYERED},
        {&b.ColorPopup(), 235, 265, WS_EX_LAYERED | WS_EX_TOOLWINDOW},
    };
    for (const Popup& p : popups) {
        const RECT r = p.window->WindowRect();
        EXPECT_EQ(r.right - r.left, p.width);
        EXPECT_EQ(r.bottom - r.top, p.height);
        const DWORD ex = static_cast<DWORD>(GetWindowLongW(p.window->GetHandle(), GWL_EXSTYLE));
        EXPECT_EQ(ex & (WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW), p.ex_style);
        EXPECT_TRUE(GetWindowLongW(p.window->GetHandle(), GWL_STYLE) & WS_POPUP);
        EXPECT_FALSE(IsWindowVisible(p.window->GetHandle()));
    }
    EXPECT_EQ(b.SizePopup().GetId(), 20202);
    EXPECT_EQ(b.ColorPopup().GetId(), 20203);
}

TEST(MerlaFCBT, StyleTogglesReportTheirSetBitThenTheirClearBit) {
    BarFixture f;
    ClickAt(f.bar.BoldButton(), 5, 5);
    ClickAt(f.bar.BoldButton(), 5, 5);
    ClickAt(f.bar.ItalicButton(), 5, 5);
    ClickAt(f.bar.UnderlineButton(), 5, 5);
    ClickAt(f.bar.StrikeoutButton(), 5, 5);
    EXPECT_EQ(f.FontFlags(), (std::vector<int>{0x8, 0x10, 0x20, 0x80, 0x200}));
    const Gdiplus::Font* font = f.bar.GetBarFont();
    ASSERT_TRUE(font);
    EXPECT_EQ(font->GetStyle(), 2 | 4 | 8);
    EXPECT_EQ(font->GetUnit(), Gdiplus::UnitPixel);

    // A font of the engine fills the boxes and the toggles; none gives the defaults.
    f.bar.SetFromFont(FontRegistry::Instance().Get(L"No Such Family Here", 27, 1 | 8));
    EXPECT_EQ(f.bar.GetNameText(), L"No Such Family Here");
    EXPECT_EQ(f.bar.GetSizeText(), L"27");
    EXPECT_TRUE(f.bar.BoldButton().IsSelected());
    EXPECT_FALSE(f.bar.ItalicButton().IsSelected());
    EXPECT_TRUE(f.bar.StrikeoutButton().IsSelected());
    EXPECT_EQ(FamilyOf(f.bar.GetBarFont()), L"No Such Family Here"); // the text's own, not typed
    f.bar.SetFromFont(nullptr);
    EXPECT_EQ(f.bar.GetNameText(), L"宋体");
    EXPECT_EQ(f.bar.GetSizeText(), L"13");
    EXPECT_FALSE(f.bar.BoldButton().IsSelected());
}

TEST(MerlaFCBT, GrowAndShrinkKeepTheSizeWithinFiveTo1024) {
    BarFixture f;
    TypeInto(f.bar.SizeBox(), L"1023");
    ClickAt(f.bar.GrowButton(), 5, 5);
    EXPECT_EQ(f.bar.GetSizeText(), L"1024");
    ClickAt(f.bar.GrowButton(), 5, 5);
    EXPECT_EQ(f.bar.GetSizeText(), L"1024");
    TypeInto(f.bar.SizeBox(), L"8");
    ClickAt(f.bar.ShrinkButton(), 5, 5);
    EXPECT_EQ(f.bar.GetSizeText(), L"6");
    ClickAt(f.bar.ShrinkButton(), 5, 5);
    EXPECT_EQ(f.bar.GetSizeText(), L"5");
    EXPECT_EQ(f.bar.GetBarFont()->GetSize(), 5.0f); // shrinking is the one way below 8
    ClickAt(f.bar.ShrinkButton(), 5, 5);
    EXPECT_EQ(f.bar.GetSizeText(), L"5");
    EXPECT_EQ(f.FontFlags(), (std::vector<int>{0x800, 0x800, 0x1000, 0x1000, 0x1000}));
}

TEST(MerlaFCBT, EnterInTheSizeBoxClampsToEightTo1024) {
    BarFixture f;
    f.Enter(f.bar.SizeBox(), L"0");
    EXPECT_EQ(f.bar.GetSizeText(), L"8");
    f.Enter(f.bar.SizeBox(), L"99999");
    EXPECT_EQ(f.bar.GetSizeText(), L"1024");
    f.Enter(f.bar.SizeBox(), L"20");
    EXPECT_EQ(f.bar.GetSizeText(), L"20");
    EXPECT_EQ(f.FontFlags(), (std::vector<int>{0x2, 0x2, 0x2}));
    EXPECT_EQ(f.bar.GetBarFont()->GetSize(), 20.0f);
}

TEST(MerlaFCBT, SizesAndFamiliesOutsideTheValidOnesAreNeverHandedOut) {
    BarFixture f;
    const std::vector<std::wstring> installed = InstalledFamilies();
    ASSERT_FALSE(installed.empty());
    const std::wstring family = installed.back();
    f.Enter(f.bar.NameBox(), family);
    f.Enter(f.bar.SizeBox(), L"20");
    for (const wchar_t* typed : {L"0", L"abc", L"99999", L"", L"7"}) {
        TypeInto(f.bar.SizeBox(), typed);
        ClickAt(f.bar.BoldButton(), 5, 5);
        EXPECT_EQ(f.bar.GetBarFont()->GetSize(), 20.0f)
            << "typed " << testing::PrintToString(std::wstring(typed));
        EXPECT_EQ(f.bar.GetSizeText(), L"20");
    }
    TypeInto(f.bar.NameBox(), L"No Such Family Here");
    EXPECT_EQ(FamilyOf(f.bar.GetBarFont()), family);
    f.Enter(f.bar.NameBox(), L"No Such Family Here");
    EXPECT_EQ(f.bar.GetNameText(), family);
    EXPECT_EQ(f.FontFlags(), (std::vector<int>{0x1, 0x2, 0x8, 0x10, 0x8, 0x10, 0x8}));
}

TEST(MerlaFCBT, ColourButtonsSendTheCurrentColourAndMode) {
    BarFixture f;
    ClickAt(f.bar.TextColorButton(), 5, 5);
    ClickAt(f.bar.HighlightButton(), 5, 5);
    // Sent, not posted: both are there before any message is pumped.
    const auto colours = f.parent.Of(50033);
    ASSERT_EQ(colours.size(), 2u);
    EXPECT_EQ(colours[0].wp, 0xFF000000u);
    EXPECT_EQ(colours[0].lp, 1);
    EXPECT_EQ(colours[1].wp, 0xFF000000u);
    EXPECT_EQ(colours[1].lp, 2);
}

TEST(MerlaFCBT, ArrowsOpenTheirPopupBelowThemTopMostWithoutActivation) {
    BarFixture f;
    SetForegroundWindow(f.parent.GetHandle());
    PumpMessages();
    const HWND active = GetActiveWindow();
    f.OpenWith(f.bar.FontArrow());
    const RECT arrow = f.bar.FontArrow().WindowRect();
    const RECT font = f.bar.FontPopup().WindowRect();
    EXPECT_TRUE(IsWindowVisible(f.bar.FontPopup().GetHandle()));
    EXPECT_EQ(font.top, arrow.bottom + 1);
    EXPECT_EQ(font.left, arrow.left);
    EXPECT_TRUE(GetWindowLongW(f.bar.FontPopup().GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetActiveWindow(), active);
    EXPECT_EQ(f.bar.GetOpenPopup(), 20201);
    // Nor does a click inside one take the activation.
    for (LWnd* popup : {static_cast<LWnd*>(&f.bar.FontPopup()), static_cast<LWnd*>(&f.bar.SizePopup()),
                        static_cast<LWnd*>(&f.bar.ColorPopup())})
        EXPECT_EQ(SendMessageW(popup->GetHandle(), WM_MOUSEACTIVATE,
                               reinterpret_cast<WPARAM>(f.parent.GetHandle()),
                               MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
                  MA_NOACTIVATE);

    f.OpenWith(f.bar.SizeArrow());
    EXPECT_FALSE(IsWindowVisible(f.bar.FontPopup().GetHandle()));
    EXPECT_EQ(f.bar.SizePopup().WindowRect().top, f.bar.SizeArrow().WindowRect().bottom + 1);
    EXPECT_EQ(f.bar.GetOpenPopup(), 20202);

    f.OpenWith(f.bar.TextColorArrow());
    RECT colour = f.bar.ColorPopup().WindowRect();
    EXPECT_EQ(colour.bottom - colour.top, 241);
    EXPECT_EQ(colour.top, f.bar.TextColorArrow().WindowRect().bottom + 1);
    EXPECT_EQ(f.bar.GetColorMode(), 1);
    EXPECT_EQ(f.bar.GetOpenPopup(), 20203);
    // Resized and moved, the popup keeps its grid at its own top-left corner.
    const RECT grid = f.bar.ColorPopup().Grid().WindowRect();
    EXPECT_EQ(grid.left - colour.left, 3);
    EXPECT_EQ(grid.top - colour.top, 3);
    f.OpenWith(f.bar.HighlightArrow());
    colour = f.bar.ColorPopup().WindowRect();
    EXPECT_EQ(colour.bottom - colour.top, 265);
    EXPECT_EQ(f.bar.GetColorMode(), 2);
}

TEST(MerlaFCBT, ColourChosenInThePopupIsShownRememberedAndReported) {
    BarFixture f;
    f.OpenWith(f.bar.HighlightArrow());
    // Theme row, column 3.
    ClickAt(f.bar.ColorPopup().Grid(), 7 + 22 * 3 + 4, 58 + 4);
    PumpMessages();
    const auto colours = f.parent.Of(50033);
    ASSERT_EQ(colours.size(), 1u);
    EXPECT_EQ(colours[0].wp, 0xFF4F81BDu);
    EXPECT_EQ(colours[0].lp, 2);
    EXPECT_FALSE(f.bar.ColorPopup().IsOpen());
    EXPECT_EQ(f.bar.GetBkColor(), 0xFF4F81BDu);
    EXPECT_EQ(f.bar.HighlightButton().RenderContent().Pixel(10, 20 - 6), 0xFF4F81BDu); // the strip
    EXPECT_EQ(f.bar.GetTextColor(), 0xFF000000u);

    CXmlDoc doc;
    ASSERT_TRUE(doc.Load(NormalSetDir() + L"MerlaFCBT.xml"));
    ASSERT_TRUE(doc.FindNext(L"MerlaFCBT") && doc.Into());
    int stored = 0;
    EXPECT_TRUE(doc.GetChildInt(L"CurBkColor", stored));
    EXPECT_EQ(static_cast<uint32_t>(stored), 0xFF4F81BDu);
    MerlaFCBT again;
    ASSERT_TRUE(again.CreateBar(f.parent.GetHandle(), 10, 60));
    EXPECT_EQ(again.GetBkColor(), 0xFF4F81BDu);
    EXPECT_EQ(again.GetTextColor(), 0xFF000000u);
}

TEST(MerlaFCBT, NoColourIsZeroForTheHighlightAndOtherColoursChangeNothingYet) {
    BarFixture f;
    f.OpenWith(f.bar.HighlightArrow());
    ClickAt(f.bar.ColorPopup().NoColorButton(), 20, 10);
    PumpMessages();
    ASSERT_EQ(f.parent.Of(50033).size(), 1u);
    EXPECT_EQ(f.parent.Of(50033)[0].wp, 0u);
    EXPECT_EQ(f.parent.Of(50033)[0].lp, 2);

    f.OpenWith(f.bar.TextColorArrow());
    EXPECT_FALSE(f.bar.ColorPopup().NoColorButton().IsShown());
    ClickAt(f.bar.ColorPopup().OtherButton(), 20, 10);
    PumpMessages();
    f.OpenWith(f.bar.HighlightArrow());
    ClickAt(f.bar.ColorPopup().OtherButton(), 20, 10);
    PumpMessages();
    const auto commands = f.parent.Of(LNotify::kCommand);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].wp, 30406u);
    EXPECT_EQ(commands[1].wp, 30506u);
    EXPECT_EQ(commands[0].lp, 0);
    EXPECT_EQ(f.parent.Of(50033).size(), 1u);
    EXPECT_EQ(f.bar.GetTextColor(), 0xFF000000u);

    // The parent's dialog was accepted.
    f.bar.ApplyDialogColor(0xFF123456, 1);
    EXPECT_EQ(f.bar.GetTextColor(), 0xFF123456u);
    EXPECT_EQ(f.bar.ColorPopup().Grid().RecentColors().front().color, 0xFF123456u);
}

TEST(MerlaFCBT, RowsChosenInTheListPopupsFillTheBoxes) {
    BarFixture f;
    f.OpenWith(f.bar.SizeArrow());
    MerlaPickList& sizes = f.bar.SizePopup().FullList();
    ASSERT_GE(sizes.GetItemCount(), 6);
    ClickAt(sizes, 10, 5 * 19 + 5); // "14"
    PumpMessages();
    EXPECT_EQ(f.bar.GetSizeText(), L"14");
    EXPECT_FALSE(f.bar.SizePopup().IsOpen());
    EXPECT_EQ(f.bar.SizePopup().RecentList().Rows().front().text, L"14");

    f.OpenWith(f.bar.FontArrow());
    MerlaPickList& fonts = f.bar.FontPopup().FullList();
    ASSERT_GT(fonts.GetItemCount(), 0);
    ClickAt(fonts, 10, 5);
    PumpMessages();
    EXPECT_EQ(f.bar.GetNameText(), fonts.Rows()[0].text);
    EXPECT_EQ(FamilyOf(f.bar.GetBarFont()), fonts.Rows()[0].text);
    EXPECT_EQ(f.FontFlags(), (std::vector<int>{0x2, 0x1}));
}

TEST(MerlaFCBT, FocusLeavingAPopupClosesItAndThePopupSaysSo) {
    BarFixture f;
    f.OpenWith(f.bar.FontArrow());
    ClickAt(f.bar.BoldButton(), 5, 5); // the press takes the focus away from the popup
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(f.bar.FontPopup().GetHandle()));
    EXPECT_EQ(f.parent.Of(LNotify::kScrollLostFocus).size(), 1u);

    // The colour popup tells only when the focus goes outside the bar's window, or nowhere.
    f.OpenWith(f.bar.TextColorArrow());
    ClickAt(f.bar.BoldButton(), 5, 5);
    PumpMessages();
    EXPECT_FALSE(f.bar.ColorPopup().IsOpen());
    EXPECT_EQ(f.parent.Of(LNotify::kScrollLostFocus).size(), 1u);
    f.OpenWith(f.bar.TextColorArrow());
    f.bar.ColorPopup().OnKillFocus(nullptr);
    PumpMessages();
    EXPECT_FALSE(f.bar.ColorPopup().IsOpen());
    EXPECT_EQ(f.parent.Of(LNotify::kScrollLostFocus).size(), 2u);
}
