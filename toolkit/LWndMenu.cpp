#include "toolkit/LWndMenu.h"

#include "toolkit/LWndWithShadow.h"
#include "toolkit/ToolkitRegistry.h"

namespace {

// Menus are kept within the virtual screen measured from 0,0.
RECT VirtualScreen() {
    return RECT{0, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

} // namespace

// ---------------------------------------------------------------------------------------------
// LWndMenu

LWndMenu::LWndMenu() {
    SetObjectName(L"LWndMenu");
}

bool LWndMenu::IsSubmenu() const {
    return parent_menu_ != nullptr;
}

LWndMenu::~LWndMenu() {
    // Menus of one chain may be destroyed in any order: no menu keeps pointing at this one.
    if (parent_menu_) {
        for (auto it = parent_menu_->submenus_.begin(); it != parent_menu_->submenus_.end();)
            it = it->second == this ? parent_menu_->submenus_.erase(it) : std::next(it);
        if (parent_menu_->open_submenu_ == this)
            parent_menu_->open_submenu_ = nullptr;
    }
    for (auto& [id, submenu] : submenus_) {
        if (submenu->parent_menu_ == this)
            submenu->parent_menu_ = nullptr;
    }
}

void LWndMenu::SetOwner(HWND owner) {
    owner_ = owner;
    for (auto& [id, submenu] : submenus_)
        submenu->SetOwner(owner);
}

void LWndMenu::SetSubmenu(int item_id, LWndMenu* submenu) {
    if (!submenu)
        return;
    submenus_[item_id] = submenu;
    submenu->parent_menu_ = this;
    submenu->SetOwner(owner_);
}

POINT LWndMenu::PlacePopup(int x, int y) {
    const RECT wr = WindowRect();
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    const RECT screen = VirtualScreen();
    POINT pos{x + 1, y + 1};
    if (pos.x + w > screen.right)
        pos.x = x - w;
    if (pos.y + h > screen.bottom)
        pos.y = y - h - 1;
    return pos;
}

POINT LWndMenu::PlaceSubmenu(const RECT& menu_rect, const RECT& item_rect, POINT) {
    const int w = menu_rect.right - menu_rect.left, h = menu_rect.bottom - menu_rect.top;
    const RECT screen = VirtualScreen();
    POINT pos{item_rect.right, item_rect.top};
    if (pos.x + w > screen.right)
        pos.x = item_rect.left - w;
    if (pos.y + h > screen.bottom)
        pos.y = screen.bottom - h;
    return pos;
}

void LWndMenu::PopupAt(int x, int y) {
    const POINT pos = PlacePopup(x, y);
    const RECT wr = WindowRect();
    MoveWindow(handle_, pos.x, pos.y, wr.right - wr.left, wr.bottom - wr.top, FALSE);
    Show(SW_SHOW);
    Redraw();
    Present();
    SetForegroundWindow(handle_);
    SetWindowPos(handle_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void LWndMenu::HideMenu() {
    if (open_submenu_) {
        LWndMenu* submenu = open_submenu_;
        open_submenu_ = nullptr;
        submenu->HideMenu();
    }
    // Wine keeps showing a layered window hidden while it is being deactivated; an empty picture
    // first makes the menu vanish either way.
    ClearLayered();
    Show(SW_HIDE);
}

bool LWndMenu::ChainHolds(const LWnd* window) const {
    for (const LWndMenu* m = this; m; m = m->open_submenu_) {
        if (window == m || m->Contains(window))
            return true;
    }
    return false;
}

void LWndMenu::CloseUnlessInside(LWnd* window) {
    if (!window || !ChainHolds(window)) {
        if (IsShown())
            HideMenu();
    }
    // Every menu up the chain makes the same test, so a command closes the whole chain.
    if (parent_menu_)
        parent_menu_->CloseUnlessInside(window);
}

bool LWndMenu::OnKillFocus(LWnd* new_focus) {
    const bool result = LWnd::OnKillFocus(new_focus);
    CloseUnlessInside(new_focus);
    return result;
}

void LWndMenu::OnEscape() {
    OnKillFocus(nullptr);
}

void LWndMenu::OnCommand(int item_id, LPARAM lp) {
    OnKillFocus(nullptr);
    if (owner_)
        SendMessageW(owner_, LNotify::kCommand, static_cast<WPARAM>(item_id), lp);
}

LRESULT LWndMenu::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LNotify::kItemLostFocus) {
        CloseUnlessInside(FromHandle(reinterpret_cast<HWND>(lp)));
        return 0;
    }
    // A press on a submenu leaves the active menu active: taking the activation would close the
    // chain before the press reaches the item.
    if (message == WM_MOUSEACTIVATE && IsSubmenu())
        return MA_NOACTIVATE;
    return LWnd::WindowProc(message, wp, lp);
}

LRESULT LWndMenu::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LNotify::kCommand) {
        OnCommand(static_cast<int>(wp), lp);
        return 0;
    }
    if (message != LNotify::kItemHover)
        return LWnd::OnNotify(message, wp, lp);
    auto it = submenus_.find(static_cast<int>(wp));
    LWndMenu* submenu = it == submenus_.end() ? nullptr : it->second;
    if (submenu && submenu == open_submenu_ && IsWindowVisible(submenu->handle_))
        return 0;
    if (open_submenu_) {
        LWndMenu* old = open_submenu_;
        open_submenu_ = nullptr;
        old->HideMenu();
    }
    if (!submenu)
        return 0;
    RECT item_rect{};
    GetWindowRect(reinterpret_cast<HWND>(lp), &item_rect);
    POINT cursor{};
    GetCursorPos(&cursor);
    const RECT sub_rect = submenu->WindowRect();
    const POINT pos = submenu->PlaceSubmenu(sub_rect, item_rect, cursor);
    SetWindowPos(submenu->handle_, HWND_TOPMOST, pos.x, pos.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    submenu->Show(SW_SHOWNOACTIVATE);
    if (submenu->Redraw())
        submenu->Present();
    open_submenu_ = submenu;
    return 0;
}

// ---------------------------------------------------------------------------------------------
// LWndMenuWithShadow

LWndMenuWithShadow::LWndMenuWithShadow() {
    SetObjectName(L"LWndMenuWithShadow");
}

bool LWndMenuWithShadow::OnCreate() {
    const bool ok = LWndMenu::OnCreate();
    BuildShadow();
    return ok;
}

bool LWndMenuWithShadow::OnSize(UINT type, int width, int height) {
    BuildShadow();
    return LWndMenu::OnSize(type, width, height);
}

void LWndMenuWithShadow::BuildShadow() {
    shadow_ = BuildPanelWithShadow(handle_, shadow_width_);
}

LSurface LWndMenuWithShadow::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (s && shadow_)
        s.BlendFrom(shadow_, 0, 0);
    return s;
}

POINT LWndMenuWithShadow::PlacePopup(int x, int y) {
    POINT pos = LWndMenu::PlacePopup(x, y);
    pos.x -= shadow_width_;
    return pos;
}

POINT LWndMenuWithShadow::PlaceSubmenu(const RECT& menu_rect, const RECT& item_rect, POINT point) {
    POINT pos = LWndMenu::PlaceSubmenu(menu_rect, item_rect, point);
    // Away from the item, and up so that the first item lines up with the hovered one.
    pos.x += pos.x >= item_rect.right ? shadow_width_ : -shadow_width_;
    pos.y -= shadow_width_ + shadow_offset_;
    return pos;
}

// ---------------------------------------------------------------------------------------------
// LWndMenuItem

LWndMenuItem::LWndMenuItem() {
    SetObjectName(L"LWndMenuItem");
}

void LWndMenuItem::OnMouseHover(WPARAM keys, int x, int y) {
    LWndBt::OnMouseHover(keys, x, y);
    SendMessageW(GetParent(handle_), LNotify::kItemHover, GetId(), reinterpret_cast<LPARAM>(handle_));
}

void LWndMenuItem::OnClick(WPARAM keys, int x, int y) {
    LWndBt::OnClick(keys, x, y);
    const RECT rc = ClientRect();
    const POINT pt{x, y};
    if (PtInRect(&rc, pt) && !IsMoving() && !IsResizing())
        SendMessageW(GetParent(handle_), LNotify::kCommand, GetId(), 0);
}

bool LWndMenuItem::OnKillFocus(LWnd* new_focus) {
    const bool result = LWndBt::OnKillFocus(new_focus);
    SendMessageW(GetParent(handle_), LNotify::kItemLostFocus, GetId(),
                 reinterpret_cast<LPARAM>(new_focus ? new_focus->GetHandle() : nullptr));
    return result;
}

void LWndMenuItem::OnEscape() {
    // Esc typed while an item holds the keyboard closes its menu.
    if (LWnd* menu = GetParentWnd())
        menu->OnEscape();
}
