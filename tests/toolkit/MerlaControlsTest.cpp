// Buttons, labels, the caption frame, lists and the opacity slider, driven by their messages and
// checked on the pictures they render.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "toolkit/MerlaBt.h"
#include "toolkit/MerlaCaption.h"
#include "toolkit/MerlaLabel.h"
#include "toolkit/MerlaList.h"
#include "toolkit/MerlaMenu.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

void Click(LWnd& w, int x, int y) {
    SendMessageW(w.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
    SendMessageW(w.GetHandle(), WM_LBUTTONUP, 0, Point(x, y));
}

int Covered(const LSurface& s, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            n += (s.Pixel(x, y) >> 24) != 0;
    return n;
}

// Records application messages sent or posted to it.
class Receiver : public ColorWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override {
        if (message >= 10000 && message < 60000 && !LNotify::ReachesOnNotify(message))
            got.push_back({message, wp, lp});
        return ColorWnd::WindowProc(message, wp, lp);
    }
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override {
        got.push_back({message, wp, lp});
        return message == LNotify::kCommand ? 7 : 0;
    }
    struct Msg {
        UINT message;
        WPARAM wp;
        LPARAM lp;
    };
    std::vector<Msg> got;
    std::vector<Msg> Of(UINT message) const {
        std::vector<Msg> out;
        for (const Msg& m : got)
            if (m.message == message)
                out.push_back(m);
        return out;
    }
};

struct ListFixture {
    ColorWnd top{0xFFFFFFFF};
    MerlaListBox list;
    ListFixture(int h = 100) {
        EXPECT_TRUE(top.CreateTop(0, 0, 200, 200));
        EXPECT_TRUE(list.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 10, 10, 120, h, top.GetHandle()));
    }
};

} // namespace

TEST(MerlaBt, HighlightOnlyWhileHoveredPressedOrSelectedToggle) {
    ColorWnd top;
    ASSERT_TRUE(top.CreateTop(0, 0, 100, 50));
    MerlaBt bt(L"", L"确定");
    ASSERT_TRUE(bt.Create(20005, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 48, 23, top.GetHandle()));
    wchar_t text[16] = {};
    GetWindowTextW(bt.GetHandle(), text, 16);
    EXPECT_STREQ(text, L"确定");
    EXPECT_EQ(bt.RenderContent().Pixel(0, 0), 0u);
    SendMessageW(bt.GetHandle(), WM_MOUSEHOVER, 0, Point(5, 5));
    EXPECT_EQ(bt.RenderContent().Pixel(0, 0), kThemeColor);
    SendMessageW(bt.GetHandle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(bt.RenderContent().Pixel(0, 0), 0u);
    // The text lies in the middle.
    LSurface s = bt.RenderContent();
    EXPECT_GT(Covered(s, 10, 3, 38, 20), 20);

    EXPECT_FALSE(bt.IsSelected());
    bt.SetSelected(true);
    EXPECT_FALSE(bt.IsSelected()); // not a toggle
    EXPECT_EQ(bt.RenderContent().Pixel(0, 0), kThemeColor);
    bt.SetSelected(false);
    bt.SetToggle(true);
    Click(bt, 5, 5);
    EXPECT_TRUE(bt.IsSelected());
    Click(bt, 5, 5);
    EXPECT_FALSE(bt.IsSelected());
}

TEST(MerlaBt, PictureIsScaledToTheTextHeightAndLaidOutByLayout) {
    ColorWnd top;
    ASSERT_TRUE(top.CreateTop(0, 0, 200, 50));
    MerlaBt centred(L"Merla.png", L"便签");
    ASSERT_TRUE(centred.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 120, 24, top.GetHandle()));
    centred.RenderContent();
    const RECT pc = centred.GetPictureRect();
    const int side = pc.right - pc.left;
    EXPECT_EQ(side, pc.bottom - pc.top); // a square picture stays square
    EXPECT_GT(side, 8);
    EXPECT_LT(side, 24);
    EXPECT_GT(pc.left, 20); // centred together with the text
    MerlaBt text_first(L"Merla.png", L"便签");
    text_first.SetLayout(MerlaBt::kLayoutTextFirst);
    ASSERT_TRUE(text_first.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 120, 24, top.GetHandle()));
    text_first.RenderContent();
    EXPECT_GT(text_first.GetPictureRect().left, 15); // after the text
    EXPECT_LT(text_first.GetPictureRect().left, 40);
    MerlaBt missing(L"missing.png", L"");
    ASSERT_TRUE(missing.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 24, 24, top.GetHandle()));
    LSurface s = missing.RenderContent();
    EXPECT_EQ(Covered(s, 0, 0, 24, 24), 0);
}

TEST(MerlaBtCheck, TickPictureOnlyWhenChecked) {
    ColorWnd top;
    ASSERT_TRUE(top.CreateTop(0, 0, 100, 50));
    MerlaBtCheck check(L"check.png");
    check.SetLayout(0);
    ASSERT_TRUE(check.Create(0, L"不再提示", 0, WS_CHILD | WS_VISIBLE, 0, 0, 80, 23, top.GetHandle()));
    LSurface off = check.RenderContent();
    const RECT box = check.GetPictureRect();
    ASSERT_GT(box.right - box.left, 4);
    EXPECT_EQ(off.Pixel(box.left, box.top), kThemeColor); // the outline
    const int inside_off = Covered(off, box.left + 2, box.top + 2, box.right - 2, box.bottom - 2);
    check.SetChecked(true);
    LSurface on = check.RenderContent();
    EXPECT_GT(Covered(on, box.left + 2, box.top + 2, box.right - 2, box.bottom - 2), inside_off + 3);
    EXPECT_GT(Covered(on, box.right + 4, 2, 80, 21), 20); // the text right of the box
}

TEST(MerlaLabel, DrawsItsWindowTextInItsColour) {
    ColorWnd top;
    ASSERT_TRUE(top.CreateTop(0, 0, 200, 50));
    MerlaLabel label;
    label.SetColor(0xFFFB5A45);
    ASSERT_TRUE(label.Create(0, L"提醒", 0, WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, top.GetHandle()));
    LSurface s = label.RenderContent();
    EXPECT_GT(Covered(s, 0, 0, 30, 20), 20);
    EXPECT_EQ(Covered(s, 50, 0, 100, 20), 0); // near alignment
    bool reddish = false;
    for (int y = 0; y < 20 && !reddish; ++y)
        for (int x = 0; x < 30; ++x) {
            const uint32_t p = s.Pixel(x, y);
            reddish = reddish || (((p >> 16) & 0xFF) > 150 && (p & 0xFF) < 120);
        }
    EXPECT_TRUE(reddish);
}

TEST(MerlaCaption, FrameHasShadowWhitePanelAndThemeLine) {
    MerlaCaption caption(200, 100);
    caption.SetTitle(L"标题");
    ASSERT_TRUE(caption.Create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 50, 50, 10, 10, nullptr));
    const RECT rc = caption.ClientRect();
    EXPECT_EQ(rc.right, 206);
    EXPECT_EQ(rc.bottom, 106);
    LSurface s = caption.RenderContent();
    const int m = MerlaCaption::kMargin;
    EXPECT_EQ(s.Pixel(100, m), kThemeColor);
    EXPECT_EQ(s.Pixel(100, 80), 0xFFFFFFFFu);
    EXPECT_GT(s.Pixel(1, 50) >> 24, 0u);
    EXPECT_LT(s.Pixel(1, 50) >> 24, 255u);
    EXPECT_GT(Covered(s, m + 7, m + 1, m + 40, m + caption.CaptionHeight()), 20); // the title
    // The close button sits at the top right.
    const RECT close = caption.CloseButton().WindowRect();
    RECT wr = caption.WindowRect();
    EXPECT_EQ(close.right, wr.right - m);
    EXPECT_EQ(close.top, wr.top + m);
}

TEST(MerlaCaption, PressInTheCaptionMovesAndBelowItDoesNot) {
    MerlaCaption caption(200, 100);
    ASSERT_TRUE(caption.Create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, 50, 50, 206,
                               106, nullptr));
    SendMessageW(caption.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(60, 8));
    EXPECT_TRUE(caption.IsMoving());
    SendMessageW(caption.GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, Point(90, 30));
    EXPECT_TRUE(LWndMoveResize::MoveFrameVisible());
    SendMessageW(caption.GetHandle(), WM_LBUTTONUP, 0, Point(90, 30));
    EXPECT_FALSE(caption.IsMoving());
    EXPECT_FALSE(LWndMoveResize::MoveFrameVisible());
    const RECT wr = caption.WindowRect();
    EXPECT_EQ(wr.left, 80);
    EXPECT_EQ(wr.top, 72);
    SendMessageW(caption.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(60, 70));
    EXPECT_FALSE(caption.IsMoving());
    EXPECT_FALSE(caption.IsResizing());
    SendMessageW(caption.GetHandle(), WM_LBUTTONUP, 0, Point(60, 70));
    // The close button destroys a modeless frame.
    Click(caption.CloseButton(), 5, 5);
    EXPECT_FALSE(IsWindow(caption.GetHandle()));
}

TEST(MerlaListBox, RowsFitWithoutBarAndOverflowShowsIt) {
    ListFixture f;
    for (const wchar_t* t : {L"一", L"二", L"三"})
        f.list.AddItem(t);
    ASSERT_EQ(f.list.GetItemCount(), 3);
    EXPECT_EQ(f.list.Rows()[2].rect.top, 38);
    EXPECT_EQ(f.list.Rows()[2].rect.bottom, 57);
    EXPECT_EQ(f.list.Rows()[0].rect.right, 120 - 7);
    MerlaScrollBar& bar = f.list.VerticalBar();
    EXPECT_FALSE(bar.IsScrollable());
    EXPECT_EQ(Covered(bar.RenderContent(), 0, 0, 9, 100), 0);
    for (int i = 0; i < 4; ++i)
        f.list.AddItem(L"更多");
    EXPECT_TRUE(bar.IsScrollable());
    EXPECT_TRUE(bar.IsShown());
    LSurface thumb = bar.RenderContent();
    EXPECT_EQ(thumb.Pixel(4, 2), kThemeColor);
    EXPECT_EQ(thumb.Pixel(4, 98), 0u);
    // The list draws itself white with a theme border and its rows.
    LSurface s = f.list.RenderContent();
    EXPECT_EQ(s.Pixel(0, 50), kThemeColor);
    EXPECT_EQ(s.Pixel(60, 99), kThemeColor);
    int inked = 0;
    for (int y = 1; y < 18; ++y)
        for (int x = 1; x < 30; ++x)
            inked += s.Pixel(x, y) != 0xFFFFFFFFu;
    EXPECT_GT(inked, 10); // the first row's text
}

TEST(MerlaListBox, EnsureItemVisibleScrollsTheLastRowToTheBottom) {
    ListFixture f;
    for (int i = 0; i < 10; ++i)
        f.list.AddItem(L"行" + std::to_wstring(i));
    f.list.EnsureItemVisible(9);
    EXPECT_EQ(f.list.GetVerticalPos(), 190 - 100);
    f.list.EnsureItemVisible(0);
    EXPECT_EQ(f.list.GetVerticalPos(), 0);
    f.list.EnsureItemVisible(42); // no such row
    EXPECT_EQ(f.list.GetVerticalPos(), 0);
    // The wheel moves by 12 and stops at the end.
    f.list.OnMouseWheel(0, -120, 0, 0);
    EXPECT_EQ(f.list.GetVerticalPos(), 12);
    f.list.OnMouseWheel(0, 120, 0, 0);
    f.list.OnMouseWheel(0, 120, 0, 0);
    EXPECT_EQ(f.list.GetVerticalPos(), 0);
    // A list that fits does not scroll at all.
    ListFixture small;
    small.list.AddItem(L"a");
    small.list.EnsureItemVisible(0);
    small.list.OnMouseWheel(0, -120, 0, 0);
    EXPECT_EQ(small.list.GetVerticalPos(), 0);
}

TEST(MerlaListBox, InsertAtZeroMovesEveryRowDown) {
    ListFixture f;
    f.list.AddItem(L"b");
    f.list.AddItem(L"c");
    f.list.AddItem(L"a", 0);
    ASSERT_EQ(f.list.GetItemCount(), 3);
    EXPECT_EQ(f.list.Rows()[0].text, L"a");
    EXPECT_EQ(f.list.Rows()[0].rect.top, 0);
    EXPECT_EQ(f.list.Rows()[1].rect.top, 19);
    EXPECT_EQ(f.list.Rows()[2].rect.top, 38);
    f.list.AddItem(L"x", 1);
    EXPECT_EQ(f.list.Rows()[1].text, L"x");
    EXPECT_EQ(f.list.Rows()[3].rect.top, 57);
}

TEST(MerlaListBox, RemovingByIndexOrTextIgnoringCase) {
    ListFixture f;
    for (const wchar_t* t : {L"one", L"abc", L"two"})
        f.list.AddItem(t);
    f.list.RemoveItem(3);
    f.list.RemoveItem(-1);
    EXPECT_EQ(f.list.GetItemCount(), 3);
    f.list.RemoveItemByText(L"ABC");
    ASSERT_EQ(f.list.GetItemCount(), 2);
    EXPECT_EQ(f.list.Rows()[1].text, L"two");
    EXPECT_EQ(f.list.Rows()[1].rect.top, 19);
    f.list.RemoveItemByText(L"nothing");
    EXPECT_EQ(f.list.GetItemCount(), 2);
    f.list.RemoveItem(0);
    EXPECT_EQ(f.list.Rows()[0].rect.top, 0);
}

TEST(MerlaListBox, HoverAndClickPickTheRowUnderThePointOnly) {
    ListFixture f;
    f.list.AddItem(L"a");
    f.list.AddItem(L"b");
    SendMessageW(f.list.GetHandle(), WM_MOUSEHOVER, 0, Point(20, 25));
    EXPECT_EQ(f.list.GetHoverIndex(), 1);
    SendMessageW(f.list.GetHandle(), WM_MOUSEHOVER, 0, Point(20, 80));
    EXPECT_EQ(f.list.GetHoverIndex(), 1);
    Click(f.list, 20, 5);
    EXPECT_EQ(f.list.GetSelectedIndex(), 0);
    Click(f.list, 20, 90);
    EXPECT_EQ(f.list.GetSelectedIndex(), 0);
    f.list.RemoveItem(0);
    EXPECT_EQ(f.list.GetSelectedIndex(), -1);
    EXPECT_EQ(f.list.GetHoverIndex(), 0);
}

TEST(MerlaListImage, LoadsOnlyPicturesInRowsAndReportsClicks) {
    const std::wstring folder = ExeDir() + L"pics\\";
    ASSERT_TRUE(EnsureFolder(folder));
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(CopyFileW((ResDir() + L"Merla.png").c_str(),
                              (folder + std::to_wstring(i) + L".png").c_str(), FALSE));
    FILE* f = _wfopen((folder + L"readme.txt").c_str(), L"wb");
    fputs("text", f);
    fclose(f);
    Receiver top;
    ASSERT_TRUE(top.CreateTop(0, 0, 200, 200));
    MerlaListImage grid;
    // Room for three cells in a row: the third ends at 54 + 24 = 78, and 78 + 2 + 7 = 87.
    ASSERT_TRUE(grid.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 87, 40, top.GetHandle()));
    grid.Subscribe(MerlaListImage::kCellClicked, top.GetHandle());
    grid.LoadFolder(ExeDir() + L"nowhere\\", true);
    EXPECT_TRUE(grid.Cells().empty());
    grid.LoadFolder(folder, true);
    ASSERT_EQ(grid.Cells().size(), 5u);
    EXPECT_EQ(grid.Cells()[0].rect.left, 2);
    EXPECT_EQ(grid.Cells()[0].rect.top, 2);
    EXPECT_EQ(grid.Cells()[2].rect.left, 54);
    EXPECT_EQ(grid.Cells()[3].rect.left, 2);
    EXPECT_EQ(grid.Cells()[3].rect.top, 28);
    EXPECT_TRUE(grid.VerticalBar().IsScrollable()); // 28 + 24 + 2 = 54 rows below a 40-high view
    Click(grid, 30, 10);
    Click(grid, 60, 38); // below the third cell, left of the scroll bar
    const auto clicks = top.Of(MerlaListImage::kCellClicked);
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0].wp, 1u);
    EXPECT_EQ(clicks[1].wp, static_cast<WPARAM>(-1));
    // The picture of the grid: the cells' pictures and a theme border.
    LSurface s = grid.RenderContent();
    EXPECT_EQ(s.Pixel(0, 20), kThemeColor);
    EXPECT_GT(Covered(s, 4, 4, 24, 24), 100);

    grid.LoadFolder(folder, true);
    EXPECT_EQ(grid.Cells().size(), 5u);
    grid.LoadFolder(folder, false);
    EXPECT_EQ(grid.Cells().size(), 10u);
    EXPECT_EQ(grid.Cells()[9].rect.top, 2 + 3 * 26);
}

TEST(MerlaSliderAlpha, FarLeftPostsOpaqueAndFarRightTransparent) {
    Receiver note;
    ASSERT_TRUE(note.CreateTop(0, 0, 10, 10));
    ColorWnd menu;
    ASSERT_TRUE(menu.CreateTop(0, 0, 200, 30));
    MerlaMenuItemSetAlpha item;
    ASSERT_TRUE(item.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 0, 0, 180, 24, menu.GetHandle()));
    MerlaSliderAlpha& slider = item.Slider();
    ASSERT_TRUE(IsWindow(slider.GetHandle()));
    wchar_t title[16] = {};
    GetWindowTextW(slider.GetHandle(), title, 16);
    EXPECT_STREQ(title, L"透明滑块");
    slider.SetReceiver(note.GetHandle());
    EXPECT_EQ(slider.GetTrackRect().left, 32 + 15);
    EXPECT_EQ(slider.GetTrackRect().right, 180 - 15);
    SendMessageW(slider.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(178, 12));
    SendMessageW(slider.GetHandle(), WM_LBUTTONUP, 0, Point(178, 12));
    SendMessageW(slider.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(1, 12));
    SendMessageW(slider.GetHandle(), WM_LBUTTONUP, 0, Point(1, 12));
    PumpFor(50);
    const auto posted = note.Of(MerlaSliderAlpha::kAlphaChanged);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].lp, 0);
    EXPECT_EQ(posted[1].lp, 255);
    EXPECT_EQ(posted[0].wp, static_cast<WPARAM>(slider.GetId()));
    // The track fades from opaque at the left to transparent at the right.
    LSurface s = slider.RenderContent();
    const RECT t = slider.GetTrackRect();
    const int mid = (t.top + t.bottom) / 2;
    EXPECT_GT(s.Pixel(t.left + 20, mid) >> 24, s.Pixel(t.right - 30, mid) >> 24);
    EXPECT_EQ(slider.GetThumbRect().bottom - slider.GetThumbRect().top, 24);
}
