#pragma once
// The manager's list of groups at the left of the notes and templates pages: one text row per group
// of a GroupList the page owns, the selected row marked, the row under the mouse lit.
#include "toolkit/MerlaList.h"

class GroupList;

class MxMiGroupList : public MerlaList {
public:
    static constexpr int kRowHeight = 36;
    static constexpr UINT kContextMenu = 2135; // wParam: the list's window, lParam: screen x, y
    static constexpr uint32_t kThumbColor = 0xFFB1B1B1;

    MxMiGroupList();

    void OnMouseHover(WPARAM keys, int x, int y) override;
    void OnClick(WPARAM keys, int x, int y) override;
    void OnMouseLeave() override;
    void OnContextMenu(HWND window, int x, int y) override;
    LSurface RenderContent() override;
    bool OnCreate() override;
    int GetItemCount() override;

    // The rows to show; not owned. After the page changes them it calls RowsChanged.
    void SetRows(GroupList* rows);
    // Scroll range and picture follow the rows.
    void RowsChanged();
    // The row under a client point, or -1.
    int RowAt(int x, int y) const;
    int HoverRow() const { return hover_; }

private:
    // Selects the row in the model and tells the subscribers to show its group.
    void ClickRow(int row);

    GroupList* rows_ = nullptr;
    int hover_ = -1;
};
