#pragma once
// The tab strips above the manager's card list: text items side by side, one selected. The view
// strip of the notes page carries the search box at its right end.
#include "toolkit/LWnd.h"
#include "toolkit/controls/MerlaEdit.h"

#include <string>
#include <vector>

class MxMiTab : public LWnd {
public:
    static constexpr UINT kTabChanged = 50019; // wParam: the strip's object id, lParam: item index
    static constexpr int kFirstItemLeft = 11;
    static constexpr int kItemPadding = 20; // added to the text width
    static constexpr int kItemHeight = 36;
    static constexpr uint32_t kSelectedColor = 0xF5FB5A45;

    MxMiTab();

    void OnMouseHover(WPARAM keys, int x, int y) override;
    void OnClick(WPARAM keys, int x, int y) override;
    void OnMouseLeave() override;
    LSurface RenderContent() override;

    void AddItem(const std::wstring& text);
    // Removes the item of that text; the selection stays on the text it was on when that remains.
    void RemoveItem(const std::wstring& text);
    // Selects the item and tells the subscribers, also when it was selected already.
    void SelectItem(int index);
    // SelectItem of the first item with that text; false when there is none.
    bool SelectText(const std::wstring& text);
    int Selected() const { return selected_; }
    std::wstring SelectedText() const;
    const std::vector<std::wstring>& Items() const { return items_; }
    int HoverItem() const { return hover_; }
    // The colour the selected item is drawn in (text and underline).
    void SetSelectedColor(uint32_t argb);
    uint32_t SelectedColor() const { return selected_color_; }
    // The item's rectangle in client coordinates; empty for an index outside the items.
    RECT ItemRect(int index) const;
    // The item under a client point, or -1.
    int ItemAt(int x, int y) const;

protected:
    void Refresh();

private:
    void UpdateItemRects();

    std::vector<std::wstring> items_;
    std::vector<RECT> rects_;
    int selected_ = -1;
    int hover_ = -1;
    uint32_t selected_color_ = kSelectedColor;
};

class MxMiTabNote : public MxMiTab {
public:
    static constexpr int kSearchWidth = 160, kSearchHeight = 28;
    static constexpr int kSearchRightInset = 167; // from the strip's right edge to the box's left
    static constexpr int kSearchTop = 4;
    static constexpr wchar_t kSearchCue[] = L"搜索便签...";
    static constexpr wchar_t kSearchIcon[] = L"search.png";

    MxMiTabNote();

    bool OnSize(UINT type, int width, int height) override;
    bool OnCreate() override;

    MerlaEdit& SearchBox() { return search_; }

private:
    MerlaEdit search_;
};
