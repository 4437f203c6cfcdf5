#pragma once
// The rich text box's context menu with the font bar beside its items, the row icon submenu (a
// grid of the pictures in "merla_reicon\default\") and the line height submenu.
#include "toolkit/MerlaList.h"
#include "toolkit/MerlaMenu.h"
#include "toolkit/pickers/MerlaFCBT.h"

#include <memory>
#include <string>
#include <vector>

class LRichEditNI;

class MerlaMenuLineHeight : public MerlaMenu {
public:
    static constexpr int kId = 30508;
    static constexpr int kWidth = 80;
    static constexpr wchar_t kCaption[] = L"行高选择子菜单";

    MerlaMenuLineHeight();
    bool OnCreate() override;
    int GetMenuHeight() override;
    int GetMenuWidth() override;

private:
    std::vector<std::unique_ptr<MerlaMenuItem>> items_;
};

class LRichEditNIMenuMark : public MerlaMenu {
public:
    static constexpr int kId = 30409;
    static constexpr wchar_t kCaption[] = L"设置图标子菜单";
    static constexpr int kColumns = 6;
    static constexpr int kMaxGridRows = 5;

    LRichEditNIMenuMark();
    bool OnCreate() override;
    int GetMenuHeight() override;
    int GetMenuWidth() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;

    MerlaListImage& Grid() { return grid_; }

private:
    int GridHeight() const;
    int CellCount() const;

    MerlaListImage grid_;
    MerlaMenuItem none_, manage_;
};

class LRichEditNIMenu : public MerlaMenu {
public:
    static constexpr int kId = 30300;
    static constexpr wchar_t kCaption[] = L"子标签编辑控件窗口菜单";
    static constexpr int kItemWidth = 124;
    static constexpr int kBarGap = 4;

    explicit LRichEditNIMenu(LRichEditNI& box);
    ~LRichEditNIMenu() override;

    // Builds the menu for the box and pops it up at the request point (screen) moved 7 right and
    // 80 up, never above the screen's top. The menu frees itself once closed.
    static LRichEditNIMenu* Open(LRichEditNI& box, POINT request);

    // Where a request at a screen point pops the menu up.
    static POINT PopupPoint(POINT request);

    bool OnCreate() override;
    int GetMenuHeight() override;
    int GetMenuWidth() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;

    MerlaMenuItem* ItemOf(int command);
    MerlaFCBT& Bar() { return bar_; }

private:
    bool Build();

    HWND box_;
    bool wrap_, protected_;
    int alpha_;
    Gdiplus::Font* font_;
    std::vector<std::unique_ptr<MerlaMenuItem>> items_;
    std::unique_ptr<MerlaMenuItemSetAlpha> alpha_item_;
    std::unique_ptr<LRichEditNIMenuMark> mark_sub_;
    std::unique_ptr<MerlaMenuLineHeight> height_sub_;
    MerlaFCBT bar_;
};
