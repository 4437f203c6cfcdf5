#include "manager/MxMiGroupList.h"

#include "store/GroupList.h"
#include "store/StoreEvents.h"

#include <algorithm>

namespace {

constexpr uint32_t kBackground = 0xFFF4F4F5;
constexpr uint32_t kEdgeLine = 0xFFE2E2E3;
constexpr uint32_t kTextColor = 0xFF79797A;
constexpr uint32_t kHoverFill = 0xFFEAEAEB;
constexpr uint32_t kHoverText = 0xFF373737;
constexpr uint32_t kSelectedFill = 0xFFFCFCFC;
constexpr uint32_t kSelectedText = 0xF5FB5A45;
constexpr uint32_t kSelectedLines = 0xFFDCDCDC;
constexpr int kTextLeft = 7;

} // namespace

MxMiGroupList::MxMiGroupList() {
    SetObjectName(L"MxMiGroupList");
}

bool MxMiGroupList::OnCreate() {
    const bool ok = MerlaList::OnCreate();
    vbar_.SetThumbColor(kThumbColor);
    hbar_.SetThumbColor(kThumbColor);
    return ok;
}

int MxMiGroupList::GetItemCount() {
    return rows_ ? static_cast<int>(rows_->Rows().size()) : 0;
}

void MxMiGroupList::SetRows(GroupList* rows) {
    rows_ = rows;
    RowsChanged();
}

void MxMiGroupList::RowsChanged() {
    if (hover_ >= GetItemCount())
        hover_ = -1;
    vbar_.SetRange(0, GetItemCount() * kRowHeight);
    last_vpos_ = vbar_.GetPos();
    if (handle_)
        Refresh();
}

int MxMiGroupList::RowAt(int x, int y) const {
    const RECT rc = ClientRect();
    if (!rows_ || x < 0 || x >= rc.right || y < 0 || y >= rc.bottom)
        return -1;
    const int row = (y + vbar_.GetPos()) / kRowHeight;
    return row < static_cast<int>(rows_->Rows().size()) ? row : -1;
}

void MxMiGroupList::OnMouseHover(WPARAM keys, int x, int y) {
    MerlaList::OnMouseHover(keys, x, y);
    const int row = RowAt(x, y);
    if (row != hover_) {
        hover_ = row;
        Refresh();
    }
}

void MxMiGroupList::OnMouseLeave() {
    MerlaList::OnMouseLeave();
    if (hover_ >= 0) {
        hover_ = -1;
        Refresh();
    }
}

void MxMiGroupList::ClickRow(int row) {
    if (!rows_ || !rows_->Select(row))
        return;
    Refresh();
    SendToSubscribers(MSG_MGR_SHOW_GROUP, 0, row);
}

void MxMiGroupList::OnClick(WPARAM keys, int x, int y) {
    MerlaList::OnClick(keys, x, y);
    const int row = RowAt(x, y);
    if (row >= 0)
        ClickRow(row);
}

void MxMiGroupList::OnContextMenu(HWND window, int x, int y) {
    MerlaList::OnContextMenu(window, x, y);
    POINT pt{x, y};
    // From the keyboard the menu comes where the mouse is.
    if (x == -1 && y == -1)
        GetCursorPos(&pt);
    POINT client = pt;
    ScreenToClient(handle_, &client);
    const int row = RowAt(client.x, client.y);
    if (row >= 0)
        ClickRow(row);
    SendToSubscribers(kContextMenu, reinterpret_cast<WPARAM>(handle_),
                      MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
}

LSurface MxMiGroupList::RenderContent() {
    const RECT rc = ClientRect();
    LSurface s = CreateSurface(handle_, rc.right, rc.bottom, kBackground);
    if (!s)
        return s;
    const int W = rc.right;
    const int pos = vbar_.GetPos();
    const int count = GetItemCount();
    const int selected = rows_ ? rows_->Selected() : -1;
    auto format = MakeStringFormat(kAlignNear, kAlignCenter);
    for (int i = std::max(0, pos / kRowHeight); i < count; ++i) {
        const int top = i * kRowHeight - pos;
        if (top >= rc.bottom)
            break;
        uint32_t text_color = kTextColor;
        if (i == selected) {
            s.FillRect(0, top, W, kRowHeight, kSelectedFill);
            s.FillRect(0, top, W, 1, kSelectedLines);
            s.FillRect(0, top + kRowHeight - 1, W, 1, kSelectedLines);
            text_color = kSelectedText;
        } else if (i == hover_) {
            s.FillRect(0, top, W, kRowHeight, kHoverFill);
            text_color = kHoverText;
        }
        const std::wstring& text = rows_->Rows()[static_cast<size_t>(i)];
        LSurface t = DrawTextSurface(handle_, *format, text, text_color, W - kTextLeft, kRowHeight);
        BlendWithAlpha(s, t, kTextLeft, top, static_cast<int>(text_color >> 24));
    }
    s.FillRect(W - 1, 0, 1, rc.bottom, kEdgeLine);
    return s;
}
