// Controls whose placement follows the pointer: they take turns on the shared display.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "toolkit/MerlaMenu.h"
#include "toolkit/MerlaMessageBox.h"
#include "toolkit/controls/MerlaNewName.h"

#include <gtest/gtest.h>

TEST(MerlaMessageBoxPlacement, WithoutParentCentredInTheWorkAreaUnderTheCursor) {
    SetCursorPos(700, 300);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{700, 300}, MONITOR_DEFAULTTONEAREST), &mi));
    MerlaMessageBox box(kMbOk, L"Velin", L"居中", 120);
    RECT wr{};
    static RECT* out = &wr;
    static MerlaMessageBox* target = &box;
    SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR timer, DWORD) {
        if (!target->GetHandle() || !IsWindowVisible(target->GetHandle()))
            return;
        KillTimer(nullptr, timer);
        *out = target->WindowRect();
        target->Close();
    });
    EXPECT_EQ(box.DoModal(0, nullptr), kMbCancel);
    const RECT& work = mi.rcWork;
    EXPECT_EQ(wr.left, work.left + (work.right - work.left - box.WindowWidth()) / 2);
    EXPECT_EQ(wr.top, work.top + (work.bottom - work.top - box.WindowHeight()) / 2);
}

namespace {

LPARAM At(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

class Owner : public ColorWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override {
        if (message == LNotify::kScrollLostFocus)
            closed.push_back({static_cast<int>(wp), static_cast<int>(lp)});
        return ColorWnd::WindowProc(message, wp, lp);
    }
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override {
        if (message == LNotify::kCommand) {
            commands.push_back(static_cast<int>(wp));
            return 5;
        }
        return ColorWnd::OnNotify(message, wp, lp);
    }
    std::vector<int> commands;
    std::vector<std::pair<int, int>> closed; // menu id, command
};

// An application menu owning its two items; it tells the test when it is gone.
class TwoItemMenu : public MerlaMenu {
public:
    static constexpr int kWidth = 140;
    explicit TwoItemMenu(bool* deleted, int first_id) : deleted_(deleted) {
        const int s = LWndMenuWithShadow::kShadowWidth;
        EXPECT_TRUE(Create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, kWidth, GetMenuHeight(),
                           nullptr));
        for (int i = 0; i < 2; ++i)
            EXPECT_TRUE(items[i].Create(first_id + i, i == 0 ? L"打开" : L"删除", 0, WS_CHILD | WS_VISIBLE, s,
                                        s + i * item_height_, kWidth - 2 * s, item_height_, GetHandle()));
    }
    ~TwoItemMenu() override { *deleted_ = true; }
    int GetMenuHeight() override { return 2 * item_height_ + 2 * shadow_width_; }
    int GetMenuWidth() override { return kWidth; }
    MerlaMenuItem items[2];

private:
    bool* deleted_;
};

} // namespace

TEST(MerlaMenu, ChoiceReportsTheCommandAndTheMenuFreesItselfButNotItsSubmenu) {
    Owner owner;
    ASSERT_TRUE(owner.CreateTop(0, 0, 10, 10));
    bool root_deleted = false, sub_deleted = false;
    auto* root = new TwoItemMenu(&root_deleted, 31000);
    auto* sub = new TwoItemMenu(&sub_deleted, 31100);
    const int root_id = root->GetId();
    root->SetSubmenu(31000, sub);
    root->SetOwner(owner.GetHandle());
    root->PopupAt(300, 300);
    // No pumping until the choice: a window of another program taking the foreground would close
    // the menu early.
    ASSERT_TRUE(IsWindowVisible(root->GetHandle()));
    // Hovering the first item opens the submenu; choosing the second closes everything.
    SendMessageW(root->items[0].GetHandle(), WM_MOUSEHOVER, 0, At(5, 5));
    EXPECT_TRUE(IsWindowVisible(sub->GetHandle()));
    SendMessageW(root->items[1].GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    SendMessageW(root->items[1].GetHandle(), WM_LBUTTONUP, 0, At(6, 5));
    EXPECT_EQ(owner.commands, std::vector<int>{31001});
    EXPECT_EQ(root->GetLastCommand(), 31001);
    EXPECT_EQ(root->GetLastResult(), 5);
    EXPECT_FALSE(IsWindowVisible(sub->GetHandle()));
    EXPECT_TRUE(PumpUntil([&] { return root_deleted; }, 2500));
    bool reported = false;
    for (auto [id, command] : owner.closed)
        reported = reported || (id == root_id && command == 31001);
    EXPECT_TRUE(reported);
    PumpFor(1200);
    EXPECT_FALSE(sub_deleted);
    delete sub;
}

TEST(MerlaMenu, AMenuNotYetShownWaitsForItsPopup) {
    bool deleted = false;
    auto* menu = new TwoItemMenu(&deleted, 31000);
    PumpFor(1300);
    EXPECT_FALSE(deleted);
    menu->PopupAt(200, 200);
    PumpFor(1100);
    // Another program taking the foreground may have closed (and so freed) it already.
    if (!deleted)
        menu->HideMenu();
    EXPECT_TRUE(PumpUntil([&] { return deleted; }, 2500));
}

TEST(MerlaMenuItemSetAlpha, LooksOfTheOpacityItem) {
    bool deleted = false;
    auto* menu = new TwoItemMenu(&deleted, 30200);
    MerlaMenuItemSetAlpha alpha;
    ASSERT_TRUE(alpha.Create(30299, L"", 0, WS_CHILD | WS_VISIBLE, 3, 51, 134, 24, menu->GetHandle()));
    EXPECT_EQ(alpha.Slider().GetThumbRect().left, 32 + 15 - 12);
    delete menu;
}

TEST(MerlaNewNamePlacement, CentredHorizontallyAndAtOneThirdVertically) {
    SetCursorPos(300, 700);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{300, 700}, MONITOR_DEFAULTTONEAREST), &mi));
    static MerlaNewName* dialog = nullptr;
    static RECT placed{};
    MerlaNewName name(L"重命名", 100);
    dialog = &name;
    SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR timer, DWORD) {
        if (!dialog->GetHandle() || !IsWindowVisible(dialog->GetHandle()))
            return;
        KillTimer(nullptr, timer);
        placed = dialog->WindowRect();
        dialog->Close();
    });
    EXPECT_EQ(name.DoModal(0, nullptr), IDCANCEL);
    const RECT& work = mi.rcWork;
    EXPECT_EQ(placed.left, work.left + (work.right - work.left - name.WindowWidth()) / 2);
    EXPECT_EQ(placed.top, work.top + (work.bottom - work.top - name.WindowHeight()) / 3);
}
