#include "app/MerlaMenuTray.h"

#include "app/base/AppPaths.h"
#include "toolkit/MxMiMenuMoveToSub.h"

#include <algorithm>

namespace {

constexpr DWORD kMenuExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW;
constexpr wchar_t kGroupSubCaption[] = L"添加便签选择分组子菜单";
constexpr wchar_t kShowSubCaption[] = L"显示子菜单";
constexpr wchar_t kReTransSubCaption[] = L"还原鼠标穿透子菜单";
constexpr wchar_t kHelpCaption[] = L"帮助子菜单";
constexpr uint32_t kCellBackground = 0xFFF2F1F1;
constexpr uint32_t kHintColor = 0xFF808080;

struct TrayItem {
    int command;
    const wchar_t* text;
    const wchar_t* picture;
};

constexpr TrayItem kTrayItems[] = {
    {TrayCmd::kNewNote, L"添加便签", L"addnote.png"},
    {TrayCmd::kShowAll, L"还原最小化", L"visible.png"},
    {TrayCmd::kClearPassThrough, L"还原鼠标穿透", L"retrans.png"},
    {TrayCmd::kManager, L"管理", L"manager.png"},
    {TrayCmd::kFeedback, L"留言反馈", L"message.png"},
    {TrayCmd::kAbout, L"关于...", L"Merla.png"},
    {TrayCmd::kDonate, L"捐助", L"donate.png"},
    {TrayCmd::kExit, L"退出", L""},
};
// Items before the gradient line.
constexpr int kItemsAboveLine = 3;

// Blend of the gradient line: how far from blue to red at which position along it.
constexpr float kBlendPositions[] = {0.0f, 0.35f, 0.65f, 1.0f};
constexpr float kBlendFactors[] = {0.0f, 0.15f, 0.85f, 1.0f};

float BlendAt(float t) {
    for (size_t i = 1; i < std::size(kBlendPositions); ++i) {
        if (t <= kBlendPositions[i]) {
            const float span = kBlendPositions[i] - kBlendPositions[i - 1];
            const float f = span > 0 ? (t - kBlendPositions[i - 1]) / span : 1.0f;
            return kBlendFactors[i - 1] + f * (kBlendFactors[i] - kBlendFactors[i - 1]);
        }
    }
    return 1.0f;
}

uint32_t Mix(uint32_t from, uint32_t to, float f) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const float a = static_cast<float>((from >> shift) & 0xFF),
                    b = static_cast<float>((to >> shift) & 0xFF);
        out |= static_cast<uint32_t>(a + (b - a) * f + 0.5f) << shift;
    }
    return out;
}

// The picture scaled to fit a square cell, keeping its proportions.
LSurface Thumbnail(HWND window, const LSurface* picture, int side) {
    LSurface cell = CreateSurface(window, side, side, kCellBackground);
    if (!cell || !picture || !*picture || picture->width() <= 0 || picture->height() <= 0)
        return cell;
    const int w = picture->width(), h = picture->height();
    const int tw = w >= h ? side : std::max(1, side * w / h);
    const int th = w >= h ? std::max(1, side * h / w) : side;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(cell.dc(), (side - tw) / 2, (side - th) / 2, tw, th, picture->dc(), 0, 0, w, h, blend);
    return cell;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// MerlaMTView

MerlaMTView::MerlaMTView(UINT pick_message) : pick_message_(pick_message) {
    SetObjectName(L"MerlaMTView");
}

int MerlaMTView::HeightFor(size_t count) {
    const int rows = std::clamp(static_cast<int>((count + kColumns - 1) / kColumns), 1, kMaxRows);
    return kHintHeight + rows * (kCellSide + kCellGap) + kCellGap;
}

void MerlaMTView::SetNotes(const std::vector<MerlaMTNote>& notes) {
    entries_.clear();
    hover_ = -1;
    const int step = kCellSide + kCellGap;
    for (size_t i = 0; i < notes.size(); ++i) {
        const int col = static_cast<int>(i % kColumns), row = static_cast<int>(i / kColumns);
        const int x = kCellGap + col * step, y = kHintHeight + row * step;
        entries_.push_back(MerlaMTEntry{notes[i].name, Thumbnail(handle_, notes[i].picture, kCellSide),
                                        RECT{x, y, x + kCellSide, y + kCellSide}});
    }
    const int bottom = entries_.empty() ? 0 : static_cast<int>(entries_.back().rect.bottom) + kCellGap;
    vbar_.SetRange(0, bottom);
    ShowWindow(vbar_.GetHandle(), bottom > ClientRect().bottom ? SW_SHOWNA : SW_HIDE);
}

int MerlaMTView::EntryAt(int x, int y) const {
    const POINT pt{x, y + vbar_.GetPos()};
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (PtInRect(&entries_[i].rect, pt))
            return static_cast<int>(i);
    }
    return -1;
}

LSurface MerlaMTView::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (!s)
        return s;
    const int pos = vbar_.GetPos();
    for (size_t i = 0; i < entries_.size(); ++i) {
        RECT r = entries_[i].rect;
        OffsetRect(&r, 0, -pos);
        if (r.bottom <= kHintHeight || r.top >= s.height())
            continue;
        if (entries_[i].picture)
            s.BlendFrom(entries_[i].picture, r.left, r.top);
        if (static_cast<int>(i) == hover_)
            FrameRect(s, r.left, r.top, r.right - r.left, r.bottom - r.top, kThemeColor);
    }
    // The hint stays on top, over any cell scrolled under it.
    s.FillRect(0, 0, s.width(), kHintHeight, 0xFFFFFFFF);
    auto format = MakeStringFormat(kAlignCenter, kAlignCenter);
    LSurface hint = DrawTextSurface(handle_, *format, kHint, kHintColor, s.width(), kHintHeight);
    BlendWithAlpha(s, hint, 0, 0, static_cast<int>(kHintColor >> 24));
    FrameRect(s, 0, 0, s.width(), s.height(), kThemeColor);
    return s;
}

void MerlaMTView::OnMouseMove(WPARAM keys, int x, int y) {
    MerlaList::OnMouseMove(keys, x, y);
    const int entry = EntryAt(x, y);
    if (entry != hover_) {
        hover_ = entry;
        Refresh();
    }
}

void MerlaMTView::OnMouseLeave() {
    MerlaList::OnMouseLeave();
    if (hover_ != -1) {
        hover_ = -1;
        Refresh();
    }
}

void MerlaMTView::OnClick(WPARAM keys, int x, int y) {
    MerlaList::OnClick(keys, x, y);
    const int entry = EntryAt(x, y);
    if (entry >= 0)
        Pick(static_cast<size_t>(entry));
}

void MerlaMTView::Pick(size_t index) {
    if (index >= entries_.size())
        return;
    auto* menu = dynamic_cast<LWndMenu*>(GetParentWnd());
    HWND owner = menu ? menu->GetOwner() : nullptr;
    // The whole menu chain closes first, as it does for a command.
    if (menu)
        menu->OnKillFocus(nullptr);
    if (owner)
        SendMessageW(owner, pick_message_, reinterpret_cast<WPARAM>(&entries_[index]), 0);
}

// ---------------------------------------------------------------------------------------------
// MerlaMenuNoteList

MerlaMenuNoteList::MerlaMenuNoteList(int all_command, std::wstring all_picture, UINT pick_message,
                                     std::vector<MerlaMTNote> notes)
    : all_command_(all_command), all_picture_(std::move(all_picture)), notes_(std::move(notes)),
      view_(pick_message) {
    SetObjectName(L"MerlaMenuNoteList");
}

int MerlaMenuNoteList::GetMenuHeight() {
    return item_height_ + MerlaMTView::HeightFor(notes_.size()) + 2 * shadow_width_;
}

int MerlaMenuNoteList::GetMenuWidth() {
    return MerlaMTView::kWidth + 2 * shadow_width_;
}

bool MerlaMenuNoteList::OnCreate() {
    const bool ok = MerlaMenu::OnCreate();
    const int s = shadow_width_, w = GetMenuWidth() - 2 * s;
    all_.SetIcon(all_picture_);
    all_.Create(all_command_, kAllText, 0, WS_CHILD | WS_VISIBLE, s, s, w, item_height_, handle_);
    view_.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, s, s + item_height_, w,
                 MerlaMTView::HeightFor(notes_.size()), handle_);
    view_.SetNotes(notes_);
    // The pictures are copied; the notes may change or go while the menu is open.
    notes_.clear();
    return ok;
}

MerlaMenuShowSub::MerlaMenuShowSub(std::vector<MerlaMTNote> notes)
    : MerlaMenuNoteList(TrayCmd::kShowAll, L"", kPickMessage, std::move(notes)) {
    SetObjectName(L"MerlaMenuShowSub");
}

MerlaMenuReTransSub::MerlaMenuReTransSub(std::vector<MerlaMTNote> notes)
    : MerlaMenuNoteList(TrayCmd::kClearPassThrough, L"retrans.png", kPickMessage, std::move(notes)) {
    SetObjectName(L"MerlaMenuReTransSub");
}

// ---------------------------------------------------------------------------------------------
// MerlaMenuHelp

MerlaMenuHelp::MerlaMenuHelp() {
    SetObjectName(L"MerlaMenuHelp");
}

int MerlaMenuHelp::GetMenuHeight() {
    return 2 * item_height_ + 2 * shadow_width_;
}

int MerlaMenuHelp::GetMenuWidth() {
    return kWidth + 2 * shadow_width_;
}

bool MerlaMenuHelp::OnCreate() {
    const bool ok = MerlaMenu::OnCreate();
    const int s = shadow_width_;
    help_.SetIcon(L"help.png");
    help_.Create(TrayCmd::kHelp, L"帮助文档", 0, WS_CHILD | WS_VISIBLE, s, s, kWidth, item_height_, handle_);
    about_.SetIcon(L"Merla.png");
    about_.Create(TrayCmd::kAboutFromHelp, L"关于 Velin", 0, WS_CHILD | WS_VISIBLE, s, s + item_height_,
                  kWidth, item_height_, handle_);
    return ok;
}

// ---------------------------------------------------------------------------------------------
// MerlaMenuTray

MerlaMenuTray::MerlaMenuTray(std::vector<MerlaMTNote> hidden, std::vector<MerlaMTNote> pass_through)
    : group_sub_(std::make_unique<MxMiMenuMoveToSub>(GroupItemsDir(), TrayCmd::kNewInDefaultGroup)),
      show_sub_(std::make_unique<MerlaMenuShowSub>(std::move(hidden))),
      retrans_sub_(std::make_unique<MerlaMenuReTransSub>(std::move(pass_through))),
      help_sub_(std::make_unique<MerlaMenuHelp>()) {
    SetObjectName(L"MerlaMenuTray");
}

MerlaMenuTray::~MerlaMenuTray() = default;

bool MerlaMenuTray::Build(HWND owner) {
    if (!Create(kId, kCaption, kMenuExStyle, WS_POPUP, 0, 0, GetMenuWidth(), GetMenuHeight(), owner))
        return false;
    group_sub_->Build(kGroupSubId, kGroupSubCaption, owner);
    show_sub_->Create(MerlaMenuShowSub::kId, kShowSubCaption, kMenuExStyle, WS_POPUP, 0, 0,
                      show_sub_->GetMenuWidth(), show_sub_->GetMenuHeight(), owner);
    retrans_sub_->Create(MerlaMenuReTransSub::kId, kReTransSubCaption, kMenuExStyle, WS_POPUP, 0, 0,
                         retrans_sub_->GetMenuWidth(), retrans_sub_->GetMenuHeight(), owner);
    help_sub_->Create(MerlaMenuHelp::kId, kHelpCaption, kMenuExStyle, WS_POPUP, 0, 0,
                      help_sub_->GetMenuWidth(), help_sub_->GetMenuHeight(), owner);
    SetSubmenu(TrayCmd::kNewNote, group_sub_.get());
    SetSubmenu(TrayCmd::kShowAll, show_sub_.get());
    SetSubmenu(TrayCmd::kClearPassThrough, retrans_sub_.get());
    SetSubmenu(TrayCmd::kAbout, help_sub_.get());
    SetOwner(owner);
    return true;
}

bool MerlaMenuTray::OnCreate() {
    const bool ok = MerlaMenu::OnCreate();
    const int s = shadow_width_;
    int y = s;
    for (size_t i = 0; i < std::size(kTrayItems); ++i) {
        if (i == kItemsAboveLine)
            y += kLineGap;
        auto item = std::make_unique<MerlaMenuItem>();
        item->SetIcon(kTrayItems[i].picture);
        if (item->Create(kTrayItems[i].command, kTrayItems[i].text, 0, WS_CHILD | WS_VISIBLE, s, y, kWidth,
                         item_height_, handle_))
            items_.push_back(std::move(item));
        y += item_height_;
    }
    return ok;
}

int MerlaMenuTray::GetMenuHeight() {
    return static_cast<int>(std::size(kTrayItems)) * item_height_ + kLineGap + 2 * shadow_width_;
}

int MerlaMenuTray::GetMenuWidth() {
    return kWidth + 2 * shadow_width_;
}

LSurface MerlaMenuTray::RenderContent() {
    LSurface s = MerlaMenu::RenderContent();
    if (!s)
        return s;
    const int x0 = shadow_width_ + kLineInset, x1 = shadow_width_ + kWidth - kLineInset;
    const int y = shadow_width_ + kLineTop;
    for (int x = x0; x < x1; ++x) {
        const float t = x1 - x0 > 1 ? static_cast<float>(x - x0) / static_cast<float>(x1 - x0 - 1) : 0.0f;
        s.FillRect(x, y, 1, 1, Mix(kLineFrom, kLineTo, BlendAt(t)));
    }
    return s;
}

const std::vector<std::wstring>& MerlaMenuTray::GroupNames() const {
    return group_sub_->GroupNames();
}

MerlaMenuItem* MerlaMenuTray::ItemOf(int command) {
    for (auto& item : items_) {
        if (item->GetId() == command)
            return item.get();
    }
    return nullptr;
}
