#include "toolkit/MerlaMenu.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kHighlightInset = 2;
constexpr wchar_t kSliderTitle[] = L"透明滑块";
constexpr wchar_t kSliderPicture[] = L"slider.png";
// The track is about this many pixels high, in the middle of the slider.
constexpr int kTrackHeight = 3;

} // namespace

// ---------------------------------------------------------------------------------------------
// MerlaMenu

MerlaMenu::MerlaMenu() {
    SetObjectName(L"MerlaMenu");
}

bool MerlaMenu::OnCreate() {
    const bool ok = LWndMenuWithShadow::OnCreate();
    SetTimer(handle_, kDeleteCheckTimer, kDeleteCheckMs, nullptr);
    return ok;
}

void MerlaMenu::OnTimer(UINT_PTR timer_id) {
    LWndMenuWithShadow::OnTimer(timer_id);
    if (timer_id != kDeleteCheckTimer)
        return;
    if (parent_menu_)
        submenu_ = true;
    if (IsWindowVisible(handle_))
        return;
    // A menu made but not yet popped up keeps waiting: deleting it would pull it from under its owner.
    if (!shown_)
        return;
    KillTimer(handle_, kDeleteCheckTimer);
    // A menu is made for one popup and frees itself once closed; a submenu belongs to its parent,
    // even after the parent is gone and has let go of it.
    if (!submenu_)
        delete this;
}

bool MerlaMenu::Show(int command) {
    if (command != SW_HIDE)
        shown_ = true;
    if (parent_menu_)
        submenu_ = true;
    return LWndMenuWithShadow::Show(command);
}

void MerlaMenu::OnCommand(int item_id, LPARAM lp) {
    // Remembered first: closing the menu reports it to the owner.
    last_command_ = item_id;
    OnKillFocus(nullptr);
    last_result_ = owner_ ? SendMessageW(owner_, LNotify::kCommand, static_cast<WPARAM>(item_id), lp) : 0;
}

void MerlaMenu::HideMenu() {
    LWndMenuWithShadow::HideMenu();
    if (owner_)
        PostMessageW(owner_, LNotify::kScrollLostFocus, static_cast<WPARAM>(GetId()), last_command_);
}

int MerlaMenu::GetMenuHeight() {
    return 0;
}

int MerlaMenu::GetMenuWidth() {
    return 0;
}

// ---------------------------------------------------------------------------------------------
// MerlaMenuItem

MerlaMenuItem::MerlaMenuItem(int picture_side, int column_width)
    : picture_side_(picture_side), column_width_(column_width) {
    SetObjectName(L"MerlaMenuItem");
}

void MerlaMenuItem::SetIcon(std::wstring picture) {
    picture_ = std::move(picture);
}

void MerlaMenuItem::SetItemText(const std::wstring& text) {
    SetWindowTextW(handle_, text.c_str());
}

LSurface MerlaMenuItem::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (!s)
        return s;
    const int W = s.width(), H = s.height();
    if (mouse_flags_ & kMouseHover)
        DrawHighlightBox(handle_, s, kHighlightInset, 0, W - 2 * kHighlightInset, H);
    if (!picture_.empty())
        DrawPictureFile(ResPicture(picture_), s, (column_width_ - picture_side_) / 2, (H - picture_side_) / 2,
                        picture_side_, picture_side_);
    wchar_t buf[kMaxText + 1] = {};
    const int n = GetWindowTextW(handle_, buf, kMaxText + 1);
    if (draws_text_ && n > 0 && W > column_width_) {
        const std::wstring_view text(buf, static_cast<size_t>(n));
        auto format = MakeStringFormat(kAlignNear, kAlignCenter);
        LSurface t = DrawTextSurface(handle_, *format, text, kDefaultTextColor, W - column_width_, H);
        BlendWithAlpha(s, t, column_width_, 0, static_cast<int>(kDefaultTextColor >> 24));
    }
    return s;
}

// ---------------------------------------------------------------------------------------------
// MerlaItemMenu

MerlaItemMenu::MerlaItemMenu(std::vector<MerlaMenuEntry> entries, int min_width)
    : entries_(std::move(entries)), min_width_(min_width) {
    SetObjectName(L"MerlaItemMenu");
}

MerlaItemMenu::~MerlaItemMenu() = default;

bool MerlaMenu::Build(int id, const std::wstring& caption, HWND owner) {
    return Create(id, caption, WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, GetMenuWidth(),
                  GetMenuHeight(), owner);
}

bool MerlaItemMenu::OnCreate() {
    const bool ok = MerlaMenu::OnCreate();
    const int s = shadow_width_;
    const int width = GetMenuWidth() - 2 * s;
    for (const MerlaMenuEntry& e : entries_) {
        auto item = std::make_unique<MerlaMenuItem>();
        item->SetIcon(e.picture);
        const int y = s + static_cast<int>(items_.size()) * item_height_;
        if (item->Create(e.command, e.text, 0, WS_CHILD | WS_VISIBLE, s, y, width, item_height_, handle_))
            items_.push_back(std::move(item));
    }
    return ok;
}

int MerlaItemMenu::GetMenuHeight() {
    return static_cast<int>(entries_.size()) * item_height_ + 2 * shadow_width_;
}

int MerlaItemMenu::GetMenuWidth() {
    float text = 0;
    for (const MerlaMenuEntry& e : entries_)
        text = std::max(text, MeasureUiText(e.text, kAlignNear).width);
    const int content = MerlaMenuItem::kDefaultColumnWidth + static_cast<int>(std::ceil(text)) + item_height_;
    return std::max(min_width_, content) + 2 * shadow_width_;
}

// ---------------------------------------------------------------------------------------------
// MerlaSliderAlpha

MerlaSliderAlpha::MerlaSliderAlpha() : LWndSlider(kHorizontal) {
    SetObjectName(L"MerlaSliderAlpha");
}

void MerlaSliderAlpha::LayoutSlider() {
    if (orientation_ != kHorizontal) {
        LWndSlider::LayoutSlider();
        return;
    }
    const RECT rc = ClientRect();
    half_gap_ = std::max(static_cast<int>(rc.bottom - kTrackHeight) / 2, half_gap_);
    track_ = RECT{left_offset_ + margin_along_, vertical_offset_ + half_gap_, rc.right - margin_along_,
                  rc.bottom - half_gap_};
    const int side = std::min<int>(kMaxThumbSide, rc.bottom);
    const int range = max_ - min_;
    const int length = track_.right - track_.left;
    const int cx = track_.left +
                   (range > 0 ? static_cast<int>(static_cast<int64_t>(value_ - min_) * length / range) : 0);
    thumb_ = RECT{cx - side / 2, vertical_offset_, cx - side / 2 + side, vertical_offset_ + side};
}

LSurface MerlaSliderAlpha::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (!s)
        return s;
    const int w = track_.right - track_.left;
    const uint32_t rgb = color_ & 0x00FFFFFF;
    // From the colour made opaque at the left to fully transparent at the right.
    for (int i = 0; i < w; ++i) {
        const uint32_t a = w > 1 ? static_cast<uint32_t>(255 - i * 255 / (w - 1)) : 255;
        s.FillRect(track_.left + i, track_.top, 1, track_.bottom - track_.top, (a << 24) | rgb);
    }
    const int side = thumb_.right - thumb_.left - 2 * kThumbInset;
    if (side > 0)
        DrawPictureFile(ResPicture(kSliderPicture), s, thumb_.left + kThumbInset, thumb_.top + kThumbInset,
                        side, thumb_.bottom - thumb_.top - 2 * kThumbInset);
    return s;
}

void MerlaSliderAlpha::OnMouseHover(WPARAM keys, int x, int y) {
    LWndSlider::OnMouseHover(keys, x, y);
    if (!IsMoving() && !IsResizing())
        SetCursorType(kCursorHand);
}

void MerlaSliderAlpha::OnMouseLeave() {
    LWndSlider::OnMouseLeave();
    if (!IsMoving() && !IsResizing())
        SetCursorType(kCursorNormal);
}

void MerlaSliderAlpha::OnEscape() {
    // Esc typed on the slider reaches the menu.
    PostMessageW(GetParent(handle_), WM_CHAR, VK_ESCAPE, GetId());
}

void MerlaSliderAlpha::OnValueChanged() {
    if (receiver_)
        PostMessageW(receiver_, kAlphaChanged, static_cast<WPARAM>(GetId()), max_ - value_);
}

// ---------------------------------------------------------------------------------------------
// MerlaMenuItemSetAlpha

MerlaMenuItemSetAlpha::MerlaMenuItemSetAlpha() : MerlaMenuItem(kDefaultPictureSide, kDefaultColumnWidth) {
    SetObjectName(L"MerlaMenuItemSetAlpha");
    slider_.SetColor(0xFF000000);
    slider_.SetMarginAlong(kSliderMargin);
    slider_.SetLeftOffset(column_width_);
    // The slider covers the whole item: a name drawn under it would show through.
    draws_text_ = false;
}

bool MerlaMenuItemSetAlpha::OnCreate() {
    const bool ok = MerlaMenuItem::OnCreate();
    slider_.SetRange(0, kMaxAlpha);
    const RECT rc = ClientRect();
    slider_.Create(0, kSliderTitle, 0, WS_CHILD | WS_VISIBLE, 0, 0, rc.right, rc.bottom, handle_);
    if (Redraw())
        Present();
    return ok;
}
