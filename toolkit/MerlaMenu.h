#pragma once
// Popup menus in the application's look: a shadowed menu that frees itself once closed, items
// with a picture column and text, and the opacity item with its slider.
#include "toolkit/LWndMenu.h"
#include "toolkit/LWndSlider.h"
#include "toolkit/MerlaDraw.h"

#include <memory>
#include <string>
#include <vector>

class MerlaMenu : public LWndMenuWithShadow {
public:
    static constexpr UINT_PTR kDeleteCheckTimer = 60001;
    static constexpr UINT kDeleteCheckMs = 1000;

    MerlaMenu();

    bool OnCreate() override;
    void OnTimer(UINT_PTR timer_id) override;
    bool Show(int command) override;
    void OnCommand(int item_id, LPARAM lp) override;
    void HideMenu() override;

    // Size of the item stack plus twice the shadow width; 0 in the base.
    virtual int GetMenuHeight();
    virtual int GetMenuWidth();

    // Creates the hidden menu window, of the size above, owned by owner.
    bool Build(int id, const std::wstring& caption, HWND owner);
    // Builds the new menu, sending its commands to owner; it frees itself once shown and closed. Null
    // (the menu deleted) when its window could not be made.
    template <class Menu>
    static Menu* BuildOwned(Menu* menu, int id, const std::wstring& caption, HWND owner) {
        if (!menu->Build(id, caption, owner)) {
            delete menu;
            return nullptr;
        }
        menu->SetOwner(owner);
        return menu;
    }

    int GetLastCommand() const { return last_command_; }
    // What the owner answered to the last command.
    LRESULT GetLastResult() const { return last_result_; }

protected:
    int last_command_ = 0;
    LRESULT last_result_ = 0;
    bool shown_ = false;   // popped up at least once
    bool submenu_ = false; // seen with a parent menu
};

class MerlaMenuItem : public LWndMenuItem {
public:
    static constexpr int kMaxText = 260;
    static constexpr int kDefaultPictureSide = 16, kDefaultColumnWidth = 32;

    explicit MerlaMenuItem(int picture_side = kDefaultPictureSide, int column_width = kDefaultColumnWidth);

    LSurface RenderContent() override;

    virtual void SetIcon(std::wstring picture);
    virtual void SetItemText(const std::wstring& text);

    const std::wstring& GetIcon() const { return picture_; }
    int GetColumnWidth() const { return column_width_; }

protected:
    int picture_side_;
    int column_width_;
    std::wstring picture_;
    bool draws_text_ = true;
};

// One item of a menu of fixed items.
struct MerlaMenuEntry {
    int command;
    std::wstring text;
    std::wstring picture;
};

// A menu of fixed items with pictures, one below the other, as wide as its longest text needs.
class MerlaItemMenu : public MerlaMenu {
public:
    static constexpr int kDefaultMinWidth = 120;

    explicit MerlaItemMenu(std::vector<MerlaMenuEntry> entries = {}, int min_width = kDefaultMinWidth);
    ~MerlaItemMenu() override;

    // A new hidden menu of the kind, owned by owner and sending its commands there; it frees itself
    // once shown and closed. Null when its window could not be made.
    template <class Menu> static Menu* MakeOwned(HWND owner, int id, const std::wstring& caption) {
        return BuildOwned(new Menu(), id, caption, owner);
    }

    bool OnCreate() override;
    int GetMenuHeight() override;
    int GetMenuWidth() override;

    const std::vector<MerlaMenuEntry>& Entries() const { return entries_; }
    const std::vector<std::unique_ptr<MerlaMenuItem>>& Items() const { return items_; }

protected:
    // Menus that list what they find set their entries before Build.
    std::vector<MerlaMenuEntry> entries_;

private:
    int min_width_;
    std::vector<std::unique_ptr<MerlaMenuItem>> items_;
};

// The slider of the opacity item: its value is a transparency, and it posts the matching alpha
// (255 - value) to the window that receives it.
class MerlaSliderAlpha : public LWndSlider {
public:
    static constexpr UINT kAlphaChanged = 50005;
    static constexpr int kMaxThumbSide = 30;
    static constexpr int kThumbInset = 2;

    MerlaSliderAlpha();

    void LayoutSlider() override;
    LSurface RenderContent() override;
    void OnMouseHover(WPARAM keys, int x, int y) override;
    void OnMouseLeave() override;
    void OnEscape() override;
    void OnValueChanged() override;

    void SetColor(uint32_t argb) { color_ = argb; }
    void SetReceiver(HWND receiver) { receiver_ = receiver; }
    void SetLeftOffset(int offset) { left_offset_ = offset; }
    void SetMarginAlong(int margin) { margin_along_ = margin; }
    void SetVerticalOffset(int offset) { vertical_offset_ = offset; }
    HWND GetReceiver() const { return receiver_; }

protected:
    uint32_t color_ = 0xFF000000;
    HWND receiver_ = nullptr;
    int vertical_offset_ = 0;
    int left_offset_ = 0;
    int half_gap_ = 0; // grows only: the track keeps its place when the slider shrinks
};

class MerlaMenuItemSetAlpha : public MerlaMenuItem {
public:
    static constexpr int kMaxAlpha = 255;
    static constexpr int kSliderMargin = 15;

    MerlaMenuItemSetAlpha();

    bool OnCreate() override;

    MerlaSliderAlpha& Slider() { return slider_; }

protected:
    MerlaSliderAlpha slider_;
};
