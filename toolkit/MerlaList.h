#pragma once
// Scrollable lists: the base with its two thin scroll bars, a list of text rows and a grid of
// pictures loaded from a folder. Rows and cells live in content coordinates; drawing subtracts the
// vertical position.
#include "toolkit/MerlaDraw.h"
#include "toolkit/MerlaScrollBar.h"

#include <string>
#include <vector>

class MerlaList : public LWnd {
public:
    static constexpr int kBarWidth = 9, kBarHeight = 9;
    static constexpr int kWheelStep = 12;

    MerlaList();

    bool OnCreate() override;
    bool OnSize(UINT type, int width, int height) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    void OnMouseWheel(int keys, int delta, int x, int y) override;

    virtual int GetItemCount();

    MerlaScrollBar& VerticalBar() { return vbar_; }
    MerlaScrollBar& HorizontalBar() { return hbar_; }
    // The vertical scroll offset in pixels.
    int GetVerticalPos() const { return vbar_.GetPos(); }

protected:
    void Refresh();

    MerlaScrollBar vbar_{LWndScrollBar::kVertical};
    MerlaScrollBar hbar_{0};
    int bar_width_ = kBarWidth, bar_height_ = kBarHeight;
    int last_vpos_ = 0, last_hpos_ = 0;
};

class MerlaListBox : public MerlaList {
public:
    static constexpr int kRowHeight = 19;
    // Rows end this far before the right edge, clear of the scroll bar.
    static constexpr int kRowRightGap = 7;

    struct Row {
        std::wstring text;
        RECT rect; // content coordinates
    };

    MerlaListBox();

    int GetItemCount() override;
    virtual void DrawItem(LSurface& surface, int index);
    LSurface RenderContent() override;
    void OnMouseHover(WPARAM keys, int x, int y) override;
    void OnClick(WPARAM keys, int x, int y) override;

    // Appends the row (index < 0) or inserts it before index, moving later rows down.
    void AddItem(const std::wstring& text, int index = -1);
    void RemoveItem(int index);
    // Removes the first row whose text equals the text, ignoring case.
    void RemoveItemByText(const std::wstring& text);
    void EnsureItemVisible(int index);

    const std::vector<Row>& Rows() const { return rows_; }
    int GetHoverIndex() const { return hover_; }
    int GetSelectedIndex() const { return selected_; }
    void SetSelectedIndex(int index) { selected_ = index; }
    void SetBorder(bool on) { border_ = on ? 1 : 0; }

protected:
    // The row under a client point, or -1.
    int RowAt(int x, int y) const;
    void UpdateRange();

    std::vector<Row> rows_;
    int row_height_ = kRowHeight;
    int hover_ = -1;
    int selected_ = -1;
    int border_ = 1;
};

// The record a picture cell reports with 50024; it begins with the picture's full path.
struct MerlaImageCell {
    std::wstring path;
    std::wstring name;
    RECT rect; // content coordinates
};

class MerlaListImage : public MerlaList {
public:
    static constexpr int kCellSide = 24, kCellGap = 2;
    static constexpr UINT kCellClicked = 50024;

    MerlaListImage();

    LSurface RenderContent() override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnClick(WPARAM keys, int x, int y) override;

    // Adds every picture file of the folder as a cell (after emptying the cells with clear).
    void LoadFolder(const std::wstring& folder, bool clear);

    const std::vector<MerlaImageCell>& Cells() const { return cells_; }
    int GetHoverIndex() const { return hover_; }

protected:
    int CellAt(int x, int y) const;
    void LayoutCells();
    void BuildCache();

    std::vector<MerlaImageCell> cells_;
    int hover_ = -1;
    LSurface cache_; // every cell's picture, in content coordinates
};
