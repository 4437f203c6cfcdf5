// Hit testing, the toolkit focus, clicks and capture, driven by the windows' own messages.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "toolkit/Toolkit.h"

#include <gtest/gtest.h>

namespace {

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

void Press(LWnd& w, int x, int y) {
    SendMessageW(w.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
}
void Release(LWnd& w, int x, int y) {
    SendMessageW(w.GetHandle(), WM_LBUTTONUP, 0, Point(x, y));
}

} // namespace

TEST(LWndHitTest, ChildrenAnswerUnlessTransparentDisabledOrHidden) {
    ColorWnd top(Opaque(0xFFFFFF));
    ASSERT_TRUE(top.CreateTop(200, 200, 200, 100));
    EXPECT_EQ(top.HitTest(210, 210), &top); // no children

    ColorWnd plain, transparent, disabled, hidden, inner;
    ASSERT_TRUE(plain.CreateChild(top, 0, 0, 50, 50));
    ASSERT_TRUE(inner.CreateChild(plain, 10, 10, 10, 10));
    ASSERT_TRUE(transparent.CreateChild(top, 50, 0, 50, 50, true, WS_EX_TRANSPARENT));
    ASSERT_TRUE(disabled.CreateChild(top, 100, 0, 50, 50));
    ASSERT_TRUE(hidden.CreateChild(top, 150, 0, 50, 50, false));
    disabled.Enable(false);

    EXPECT_EQ(top.HitTest(205, 205), &plain);
    EXPECT_EQ(top.HitTest(215, 215), &inner); // descends
    EXPECT_EQ(top.HitTest(260, 210), &top);
    EXPECT_EQ(top.HitTest(310, 210), &top);
    EXPECT_EQ(top.HitTest(360, 210), &top);
    EXPECT_EQ(top.HitTest(260, 280), &top);

    // A press on a transparent child focuses the parent; the child does not see its press.
    Press(transparent, 5, 5);
    EXPECT_EQ(LWnd::Focused(), &top);
    EXPECT_FALSE(transparent.IsPressed());
    Release(transparent, 5, 5);
}

TEST(LWndFocus, PressMovesTheFocusAndTellsTheLoser) {
    ColorWnd top(Opaque(0xFFFFFF)), a, b;
    ASSERT_TRUE(top.CreateTop(0, 0, 200, 100));
    ASSERT_TRUE(a.CreateChild(top, 0, 0, 50, 50));
    ASSERT_TRUE(b.CreateChild(top, 100, 0, 50, 50));
    Press(a, 5, 5);
    EXPECT_EQ(LWnd::Focused(), &a);
    Release(a, 5, 5);
    Press(b, 5, 5);
    EXPECT_EQ(LWnd::Focused(), &b);
    ASSERT_EQ(a.kill_focus_to.size(), 1u);
    EXPECT_EQ(a.kill_focus_to[0], &b);
    Release(b, 5, 5);
    // Pressing the focused window again tells nobody.
    Press(b, 6, 6);
    Release(b, 6, 6);
    EXPECT_TRUE(b.kill_focus_to.empty());
    EXPECT_EQ(a.kill_focus_to.size(), 1u);
}

TEST(LWndFocus, CompanionsAndContainedFocus) {
    ColorWnd top(Opaque(0xFFFFFF)), panel, field, popup, popup_item;
    ASSERT_TRUE(top.CreateTop(0, 0, 200, 100));
    ASSERT_TRUE(panel.CreateChild(top, 0, 0, 100, 100));
    ASSERT_TRUE(field.CreateChild(panel, 0, 0, 50, 50));
    ASSERT_TRUE(popup.CreateTop(300, 0, 50, 50));
    ASSERT_TRUE(popup_item.CreateChild(popup, 0, 0, 10, 10));

    panel.AddCompanion(&popup, true);
    EXPECT_FALSE(panel.OnKillFocus(&popup));
    EXPECT_FALSE(panel.OnKillFocus(&popup_item)); // with descendants
    EXPECT_TRUE(panel.OnKillFocus(&top));

    // A window that loses the focus while a descendant holds it passes the loss on to that descendant.
    Press(field, 1, 1);
    Release(field, 1, 1);
    ASSERT_EQ(LWnd::Focused(), &field);
    field.kill_focus_to.clear();
    EXPECT_TRUE(panel.OnKillFocus(&top));
    ASSERT_EQ(field.kill_focus_to.size(), 1u);
    EXPECT_EQ(field.kill_focus_to[0], &top);
    EXPECT_TRUE(top.Contains(&field));
    EXPECT_FALSE(field.Contains(&top));
}

TEST(LWndClick, ToleranceIsFiftyPixelsInEachAxis) {
    ColorWnd top(Opaque(0xFFFFFF)), bt;
    ASSERT_TRUE(top.CreateTop(0, 0, 400, 400));
    ASSERT_TRUE(bt.CreateChild(top, 0, 0, 300, 300));
    Press(bt, 10, 10);
    Release(bt, 60, 60);
    ASSERT_EQ(bt.clicks.size(), 1u);
    EXPECT_EQ(bt.clicks[0].x, 60);
    Press(bt, 100, 100);
    Release(bt, 151, 100);
    Press(bt, 100, 100);
    Release(bt, 100, 49);
    EXPECT_EQ(bt.clicks.size(), 1u);
    Press(bt, 100, 100);
    Release(bt, 50, 150);
    EXPECT_EQ(bt.clicks.size(), 2u);
    EXPECT_EQ(bt.releases, 4);
    // A release without a press is no click.
    Release(bt, 100, 100);
    EXPECT_EQ(bt.clicks.size(), 2u);
}

TEST(LWndClick, ReleaseElsewhereIsResentToThePressedFocusedWindow) {
    ColorWnd top(Opaque(0xFFFFFF)), a, b;
    ASSERT_TRUE(top.CreateTop(0, 0, 200, 100));
    ASSERT_TRUE(a.CreateChild(top, 0, 0, 50, 50));
    ASSERT_TRUE(b.CreateChild(top, 100, 0, 50, 50));
    Press(a, 10, 10);
    EXPECT_EQ(GetCapture(), a.GetHandle());
    EXPECT_TRUE(a.GetMouseFlags() & LWnd::kMouseLeftDown);
    Release(b, 12, 12);
    EXPECT_EQ(b.releases, 0);
    EXPECT_EQ(a.releases, 1);
    ASSERT_EQ(a.clicks.size(), 1u);
    EXPECT_FALSE(a.IsPressed());
    EXPECT_FALSE(a.GetMouseFlags() & LWnd::kMouseLeftDown);
    EXPECT_NE(GetCapture(), a.GetHandle());
}

TEST(LWndCursor, TypesMapToTheirMeaning) {
    ColorWnd top;
    ASSERT_TRUE(top.CreateTop(0, 0, 20, 20));
    top.SetCursorType(kCursorMove);
    EXPECT_TRUE(top.IsMoving());
    EXPECT_FALSE(top.IsResizing());
    for (int t : {2, 3, 4, 5}) {
        top.SetCursorType(t);
        EXPECT_TRUE(top.IsResizing());
        EXPECT_FALSE(top.IsMoving());
    }
    top.SetCursorType(kCursorHand);
    EXPECT_EQ(SendMessageW(top.GetHandle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(top.GetHandle()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              1);
    EXPECT_EQ(top.GetCursorType(), kCursorHand);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    top.SetCursorType(42);
    EXPECT_FALSE(top.IsMoving() || top.IsResizing());
}

namespace {
class KeyEater : public ColorWnd {
public:
    bool PreTranslateMessage(MSG* msg) override { return msg->message == WM_KEYDOWN && msg->wParam == 'Q'; }
};
} // namespace

TEST(LWndHook, PreTranslateAnswersForTheWindowOfTheMessage) {
    KeyEater w;
    ASSERT_TRUE(w.CreateTop(0, 0, 20, 20));
    MSG q{w.GetHandle(), WM_KEYDOWN, 'Q', 0};
    MSG r{w.GetHandle(), WM_KEYDOWN, 'R', 0};
    MSG none{nullptr, WM_KEYDOWN, 'Q', 0};
    EXPECT_TRUE(ToolkitPreTranslate(&q));
    EXPECT_FALSE(ToolkitPreTranslate(&r));
    EXPECT_FALSE(ToolkitPreTranslate(&none));
    EXPECT_FALSE(ToolkitPreTranslate(nullptr));
}
