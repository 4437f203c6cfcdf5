// Popup menus with a submenu chain, driven by hover, press and release messages.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "toolkit/LWndMenu.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

constexpr int kMenuW = 120, kMenuH = 2 * LWndMenuWithShadow::kShadowWidth + 2 * LWndMenu::kItemHeight;
constexpr int kS = LWndMenuWithShadow::kShadowWidth;

class Owner : public ColorWnd {
public:
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override {
        if (message == LNotify::kCommand)
            commands.push_back(static_cast<int>(wp));
        return ColorWnd::OnNotify(message, wp, lp);
    }
    std::vector<int> commands;
};

// A shadowed menu with two items stacked inside its shadow.
struct Menu {
    LWndMenuWithShadow menu;
    LWndMenuItem items[2];
    Menu(int first_id) {
        EXPECT_TRUE(
            menu.Create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, kMenuW, kMenuH, nullptr));
        for (int i = 0; i < 2; ++i)
            EXPECT_TRUE(items[i].Create(first_id + i, L"", 0, WS_CHILD | WS_VISIBLE, kS,
                                        kS + i * LWndMenu::kItemHeight, kMenuW - 2 * kS,
                                        LWndMenu::kItemHeight, menu.GetHandle()));
    }
    bool Visible() const { return IsWindowVisible(menu.GetHandle()) != FALSE; }
};

struct Chain {
    Owner owner;
    Menu root{31000}, sub_a{31100}, sub_b{31200};
    Chain() {
        EXPECT_TRUE(owner.CreateTop(0, 0, 10, 10));
        root.menu.SetSubmenu(31000, &sub_a.menu);
        root.menu.SetSubmenu(31001, &sub_b.menu);
        root.menu.SetOwner(owner.GetHandle());
    }
    static void Hover(LWnd& item) { SendMessageW(item.GetHandle(), WM_MOUSEHOVER, 0, Point(5, 5)); }
    static void Click(LWnd& item) {
        SendMessageW(item.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
        SendMessageW(item.GetHandle(), WM_LBUTTONUP, 0, Point(6, 5));
    }
};

int ScreenW() {
    return GetSystemMetrics(SM_CXVIRTUALSCREEN);
}
int ScreenH() {
    return GetSystemMetrics(SM_CYVIRTUALSCREEN);
}

} // namespace

TEST(LWndMenuPlacement, PopupOpensBesideThePointAndFlipsAtScreenEdges) {
    LWndMenu plain;
    ASSERT_TRUE(plain.Create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, 100, 80, nullptr));
    POINT p = plain.PlacePopup(200, 300);
    EXPECT_EQ(p.x, 201);
    EXPECT_EQ(p.y, 301);
    p = plain.PlacePopup(ScreenW() - 10, 300); // 10 pixels from the right edge
    EXPECT_EQ(p.x, ScreenW() - 10 - 100);
    p = plain.PlacePopup(200, ScreenH() - 10);
    EXPECT_EQ(p.y, ScreenH() - 10 - 80 - 1);

    Menu shadowed(30100);
    p = shadowed.menu.PlacePopup(200, 300);
    EXPECT_EQ(p.x, 201 - kS);
    EXPECT_EQ(p.y, 301);
    p = shadowed.menu.PlacePopup(ScreenW() - 10, 300);
    EXPECT_EQ(p.x, ScreenW() - 10 - kMenuW - kS);

    shadowed.menu.PopupAt(ScreenW() - 10, ScreenH() - 10);
    EXPECT_TRUE(shadowed.Visible());
    const RECT wr = shadowed.menu.WindowRect();
    EXPECT_EQ(wr.left, ScreenW() - 10 - kMenuW - kS);
    EXPECT_EQ(wr.top, ScreenH() - 10 - kMenuH - 1);
    EXPECT_EQ(wr.right - wr.left, kMenuW);
    // The shadow surrounds a white panel in the presented picture.
    EXPECT_EQ(shadowed.menu.BackBuffer().Pixel(kMenuW / 2, kMenuH / 2), 0xFFFFFFFFu);
    EXPECT_GT(shadowed.menu.BackBuffer().Pixel(1, kMenuH / 2) >> 24, 0u);
    EXPECT_LT(shadowed.menu.BackBuffer().Pixel(1, kMenuH / 2) >> 24, 0xFFu);
}

TEST(LWndMenuPlacement, SubmenuBesideTheItemWithTheShadowOffsets) {
    Menu sub(30200);
    const RECT item{500, 400, 600, 424};
    const RECT sub_rect = sub.menu.WindowRect();
    POINT p = sub.menu.PlaceSubmenu(sub_rect, item, POINT{550, 410});
    EXPECT_EQ(p.x, 600 + kS);
    EXPECT_EQ(p.y, 400 - kS - LWndMenu::kVerticalShadowOffset);
    // At the right edge of the screen it opens to the left of the item.
    const RECT right_item{ScreenW() - 100, 400, ScreenW() - 10, 424};
    p = sub.menu.PlaceSubmenu(sub_rect, right_item, POINT{});
    EXPECT_EQ(p.x, ScreenW() - 100 - kMenuW - kS);
    // At the bottom it is moved up to end at the bottom.
    const RECT low_item{500, ScreenH() - 20, 600, ScreenH() - 4};
    p = sub.menu.PlaceSubmenu(sub_rect, low_item, POINT{});
    EXPECT_EQ(p.y, ScreenH() - kMenuH - kS - LWndMenu::kVerticalShadowOffset);

    LWndMenu plain;
    ASSERT_TRUE(plain.Create(0, L"", WS_EX_LAYERED, WS_POPUP, 0, 0, 100, 80, nullptr));
    p = plain.PlaceSubmenu(plain.WindowRect(), item, POINT{});
    EXPECT_EQ(p.x, 600);
    EXPECT_EQ(p.y, 400);
}

TEST(LWndMenuChain, HoveringAnotherItemClosesThePreviousSubmenuFirst) {
    Chain c;
    c.root.menu.PopupAt(300, 300);
    Chain::Hover(c.root.items[0]);
    EXPECT_TRUE(c.sub_a.Visible());
    EXPECT_EQ(c.root.menu.GetOpenSubmenu(), &c.sub_a.menu);
    const RECT item = c.root.items[0].WindowRect();
    const RECT sub = c.sub_a.menu.WindowRect();
    EXPECT_EQ(sub.left, item.right + kS);
    EXPECT_EQ(sub.top, item.top - kS - LWndMenu::kVerticalShadowOffset);
    // Hovering the same item again changes nothing.
    Chain::Hover(c.root.items[0]);
    EXPECT_TRUE(c.sub_a.Visible());
    Chain::Hover(c.root.items[1]);
    EXPECT_FALSE(c.sub_a.Visible());
    EXPECT_TRUE(c.sub_b.Visible());
    EXPECT_EQ(c.root.menu.GetOpenSubmenu(), &c.sub_b.menu);
    // An item of the submenu being hovered leaves the chain open.
    Chain::Hover(c.sub_b.items[0]);
    EXPECT_TRUE(c.sub_b.Visible());
    EXPECT_TRUE(c.root.Visible());
}

TEST(LWndMenuChain, ClickSendsExactlyOneCommandAndClosesTheWholeChain) {
    Chain c;
    c.root.menu.PopupAt(300, 300);
    Chain::Hover(c.root.items[1]);
    ASSERT_TRUE(c.sub_b.Visible());
    Chain::Hover(c.sub_b.items[1]);
    Chain::Click(c.sub_b.items[1]);
    PumpMessages();
    EXPECT_EQ(c.owner.commands, std::vector<int>{31201});
    EXPECT_FALSE(c.sub_b.Visible());
    EXPECT_FALSE(c.root.Visible());
    EXPECT_EQ(c.root.menu.GetOpenSubmenu(), nullptr);

    // A command from the top menu itself.
    c.root.menu.PopupAt(300, 300);
    Chain::Click(c.root.items[0]);
    EXPECT_EQ(c.owner.commands, (std::vector<int>{31201, 31000}));
    EXPECT_FALSE(c.root.Visible());
}

TEST(LWndMenuChain, PressInsideTheChainKeepsItOpenAndEscapeClosesIt) {
    Chain c;
    c.root.menu.PopupAt(300, 300);
    Chain::Hover(c.root.items[0]);
    // Focus moving from a root item to a submenu item is no reason to close.
    SendMessageW(c.root.items[1].GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    SendMessageW(c.root.items[1].GetHandle(), WM_LBUTTONUP, 0, Point(5, 80)); // released outside: no command
    EXPECT_TRUE(c.owner.commands.empty());
    c.root.items[1].OnKillFocus(&c.sub_a.items[0]);
    EXPECT_TRUE(c.root.Visible());
    // Focus going elsewhere closes the chain.
    ColorWnd elsewhere;
    ASSERT_TRUE(elsewhere.CreateTop(0, 0, 10, 10));
    Chain::Hover(c.root.items[1]);
    ASSERT_TRUE(c.sub_b.Visible());
    c.sub_b.menu.OnKillFocus(&elsewhere);
    EXPECT_FALSE(c.sub_b.Visible());
    EXPECT_FALSE(c.root.Visible());

    c.root.menu.PopupAt(300, 300);
    Chain::Hover(c.root.items[0]);
    SendMessageW(c.sub_a.menu.GetHandle(), WM_CHAR, VK_ESCAPE, 0);
    EXPECT_FALSE(c.sub_a.Visible());
    EXPECT_FALSE(c.root.Visible());
    c.root.menu.PopupAt(300, 300);
    SendMessageW(c.root.items[0].GetHandle(), WM_CHAR, VK_ESCAPE, 0);
    EXPECT_FALSE(c.root.Visible());
    EXPECT_TRUE(c.owner.commands.empty());
}

TEST(LWndMenuChain, DeactivationClosesThePopupUnlessTheSubmenuTakesOver) {
    Chain c;
    ColorWnd other;
    ASSERT_TRUE(other.CreateTop(600, 600, 50, 50));
    c.root.menu.PopupAt(300, 300);
    Chain::Hover(c.root.items[0]);
    // The open submenu being activated is no reason to close.
    SendMessageW(c.root.menu.GetHandle(), WM_ACTIVATE, WA_INACTIVE,
                 reinterpret_cast<LPARAM>(c.sub_a.menu.GetHandle()));
    EXPECT_TRUE(c.root.Visible());
    EXPECT_TRUE(c.sub_a.Visible());
    // Another window of the program, or one of another program (no toolkit window), closes the chain.
    SendMessageW(c.sub_a.menu.GetHandle(), WM_ACTIVATE, WA_INACTIVE,
                 reinterpret_cast<LPARAM>(other.GetHandle()));
    EXPECT_FALSE(c.sub_a.Visible());
    EXPECT_FALSE(c.root.Visible());
    c.root.menu.PopupAt(300, 300);
    SendMessageW(c.root.menu.GetHandle(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(c.root.Visible());
    EXPECT_TRUE(c.owner.commands.empty());
}
