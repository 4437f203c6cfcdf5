#pragma once
// Popup menus: a menu window with item children, submenus opened by hovering an item, and the
// rules by which a menu and its chain of open submenus close.
#include "toolkit/LWndBt.h"

#include <map>

class LWndMenu : public LWnd {
public:
    // Layout numbers read by derived menus: vertical shadow offset and item height.
    static constexpr int kVerticalShadowOffset = 3;
    static constexpr int kItemHeight = 24;

    LWndMenu();
    ~LWndMenu() override;

    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    bool OnKillFocus(LWnd* new_focus) override;
    bool IsSubmenu() const override;
    void OnEscape() override;

    // Sets the window that receives the commands, for this menu and all its submenus.
    virtual void SetOwner(HWND owner);
    // Screen position of this menu opened as a submenu beside the item.
    virtual POINT PlaceSubmenu(const RECT& menu_rect, const RECT& item_rect, POINT point);
    // Screen position of this menu popped up at a point.
    virtual POINT PlacePopup(int x, int y);
    // Hides the menu and its chain of open submenus.
    virtual void HideMenu();
    virtual void OnCommand(int item_id, LPARAM lp);

    void PopupAt(int x, int y);
    // Registers the submenu opened by the item; the submenu's parent menu becomes this menu.
    void SetSubmenu(int item_id, LWndMenu* submenu);

    HWND GetOwner() const { return owner_; }
    LWndMenu* GetParentMenu() const { return parent_menu_; }
    LWndMenu* GetOpenSubmenu() const { return open_submenu_; }

protected:
    // Hides this menu unless the window is the menu, inside it or inside its open submenu chain;
    // then asks the same of the parent menu.
    void CloseUnlessInside(LWnd* window);
    bool ChainHolds(const LWnd* window) const;

    HWND owner_ = nullptr;
    LWndMenu* parent_menu_ = nullptr;
    int shadow_offset_ = kVerticalShadowOffset;
    int item_height_ = kItemHeight;
    std::map<int, LWndMenu*> submenus_;
    LWndMenu* open_submenu_ = nullptr;
};

class LWndMenuWithShadow : public LWndMenu {
public:
    static constexpr int kShadowWidth = 3;

    LWndMenuWithShadow();

    bool OnCreate() override;
    bool OnSize(UINT type, int width, int height) override;
    LSurface RenderContent() override;
    POINT PlaceSubmenu(const RECT& menu_rect, const RECT& item_rect, POINT point) override;
    POINT PlacePopup(int x, int y) override;
    virtual void BuildShadow();

    int GetShadowWidth() const { return shadow_width_; }

protected:
    int shadow_width_ = kShadowWidth;
    LSurface shadow_;
};

class LWndMenuItem : public LWndBt {
public:
    LWndMenuItem();

    void OnMouseHover(WPARAM keys, int x, int y) override;
    void OnClick(WPARAM keys, int x, int y) override;
    bool OnKillFocus(LWnd* new_focus) override;
    void OnEscape() override;
};
