#include "manager/MxMiTab.h"

#include "toolkit/MerlaDraw.h"

#include <cmath>

namespace {

constexpr uint32_t kBackground = 0xFFF4F4F5;
constexpr uint32_t kBottomLine = 0xFFE2E2E3;
constexpr uint32_t kTextColor = 0xFF79797A;
constexpr uint32_t kHoverText = 0xFF373737;
// The selected item's underline.
constexpr int kUnderlineHeight = 2;
constexpr int kUnderlineLeftInset = 2, kUnderlineRightInset = 4;
constexpr int kUnderlineBottomGap = 2;

} // namespace

// ---------------------------------------------------------------------------------------------
// MxMiTab

MxMiTab::MxMiTab() {
    SetObjectName(L"MxMiTab");
}

void MxMiTab::Refresh() {
    if (handle_ && Redraw())
        Present();
}

void MxMiTab::UpdateItemRects() {
    rects_.clear();
    int x = kFirstItemLeft;
    for (const std::wstring& text : items_) {
        const int w = static_cast<int>(std::ceil(MeasureUiText(text, kAlignNear).width)) + kItemPadding;
        rects_.push_back(RECT{x, 0, x + w, kItemHeight});
        x += w;
    }
}

RECT MxMiTab::ItemRect(int index) const {
    if (index < 0 || index >= static_cast<int>(rects_.size()))
        return RECT{};
    return rects_[static_cast<size_t>(index)];
}

int MxMiTab::ItemAt(int x, int y) const {
    const POINT pt{x, y};
    for (size_t i = 0; i < rects_.size(); ++i)
        if (PtInRect(&rects_[i], pt))
            return static_cast<int>(i);
    return -1;
}

void MxMiTab::AddItem(const std::wstring& text) {
    items_.push_back(text);
    UpdateItemRects();
    Refresh();
}

void MxMiTab::RemoveItem(const std::wstring& text) {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i] != text)
            continue;
        const int index = static_cast<int>(i);
        items_.erase(items_.begin() + index);
        auto follow = [index](int& at) { at = at == index ? -1 : (at > index ? at - 1 : at); };
        follow(selected_);
        follow(hover_);
        UpdateItemRects();
        Refresh();
        return;
    }
}

void MxMiTab::SelectItem(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size()))
        return;
    selected_ = index;
    Refresh();
    SendToSubscribers(kTabChanged, static_cast<WPARAM>(GetId()), index);
}

bool MxMiTab::SelectText(const std::wstring& text) {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i] == text) {
            SelectItem(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

std::wstring MxMiTab::SelectedText() const {
    return selected_ >= 0 && selected_ < static_cast<int>(items_.size())
               ? items_[static_cast<size_t>(selected_)]
               : std::wstring();
}

void MxMiTab::SetSelectedColor(uint32_t argb) {
    if (argb == selected_color_)
        return;
    selected_color_ = argb;
    Refresh();
}

void MxMiTab::OnMouseHover(WPARAM keys, int x, int y) {
    LWnd::OnMouseHover(keys, x, y);
    const int item = ItemAt(x, y);
    SetCursorType(item >= 0 ? kCursorHand : kCursorNormal);
    if (item != hover_) {
        hover_ = item;
        Refresh();
    }
}

void MxMiTab::OnMouseLeave() {
    LWnd::OnMouseLeave();
    SetCursorType(kCursorNormal);
    if (hover_ >= 0) {
        hover_ = -1;
        Refresh();
    }
}

void MxMiTab::OnClick(WPARAM keys, int x, int y) {
    LWnd::OnClick(keys, x, y);
    const int item = ItemAt(x, y);
    if (item >= 0 && item != selected_)
        SelectItem(item);
}

LSurface MxMiTab::RenderContent() {
    const RECT rc = ClientRect();
    LSurface s = CreateSurface(handle_, rc.right, rc.bottom, kBackground);
    if (!s)
        return s;
    s.FillRect(0, rc.bottom - 1, rc.right, 1, kBottomLine);
    auto format = MakeStringFormat(kAlignCenter, kAlignCenter);
    for (size_t i = 0; i < items_.size(); ++i) {
        const RECT& r = rects_[i];
        const int index = static_cast<int>(i);
        const uint32_t color =
            index == selected_ ? selected_color_ : (index == hover_ ? kHoverText : kTextColor);
        LSurface t = DrawTextSurface(handle_, *format, items_[i], color, r.right - r.left, r.bottom - r.top);
        BlendWithAlpha(s, t, r.left, r.top, static_cast<int>(color >> 24));
        if (index == selected_) {
            // An underline in the selection colour, blended like the text.
            LSurface line =
                CreateSurface(handle_, r.right - r.left - kUnderlineLeftInset - kUnderlineRightInset,
                              kUnderlineHeight, color | 0xFF000000);
            BlendWithAlpha(s, line, r.left + kUnderlineLeftInset,
                           r.bottom - kUnderlineBottomGap - kUnderlineHeight, static_cast<int>(color >> 24));
        }
    }
    return s;
}

// ---------------------------------------------------------------------------------------------
// MxMiTabNote

MxMiTabNote::MxMiTabNote() {
    SetObjectName(L"MxMiTabNote");
}

bool MxMiTabNote::OnCreate() {
    const bool ok = MxMiTab::OnCreate();
    const RECT rc = ClientRect();
    search_.SetCueText(kSearchCue);
    search_.SetEditIcon(kSearchIcon);
    search_.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, rc.right - kSearchRightInset, kSearchTop, kSearchWidth,
                   kSearchHeight, handle_);
    // Enter in the box, or a click on its picture, reaches the page the strip lies on.
    if (HWND page = GetParent(handle_))
        search_.Subscribe(MerlaEdit::kEditCommand, page);
    return ok;
}

bool MxMiTabNote::OnSize(UINT type, int width, int height) {
    const bool result = MxMiTab::OnSize(type, width, height);
    if (search_.GetHandle())
        MoveWindow(search_.GetHandle(), ClientRect().right - kSearchRightInset, kSearchTop, kSearchWidth,
                   kSearchHeight, FALSE);
    return result;
}
