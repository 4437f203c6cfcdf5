#include "reminder/editor/MerlaShowPrompt.h"

#include "app/base/UniqueStamp.h"
#include "reminder/CDateTime.h"
#include "toolkit/MerlaDraw.h"
#include "toolkit/MerlaMessageBox.h"

#include <gdiplus.h>

#include <algorithm>

namespace {

constexpr wchar_t kExecPicture[] = L"excfile.png";
constexpr wchar_t kMusicPicture[] = L"excmusic.png";
constexpr wchar_t kAddPicture[] = L"add.png";
constexpr wchar_t kDeletePicture[] = L"delete.png";
constexpr wchar_t kDeleteGroupQuestion[] = L"确定要删除选择的时间标签组吗？";
constexpr uint32_t kSelectedCardFill = 0x14FB5A45; // the theme colour, faint
constexpr int kDeleteGroupBoxId = 30802;
constexpr int kChipPadding = 4, kPictureInset = 3, kDeleteInset = 5;

bool HasPicture(ChipKind kind) {
    return kind == ChipKind::kExecFile || kind == ChipKind::kMusic;
}

PromptChip MakeChip(ChipKind kind, const std::wstring& text, const std::wstring& value) {
    PromptChip chip{kind, text, value, {}};
    const TextSize size =
        MeasureUiText(text.empty() ? std::wstring_view(L" ") : std::wstring_view(text), kAlignNear);
    const int h = std::max(static_cast<int>(size.height + 0.5f), MerlaListMPL::kChipMinHeight);
    int w = static_cast<int>(size.width + 0.5f) + h;
    if (HasPicture(kind))
        w += h;
    chip.rect = RECT{0, 0, w, h};
    return chip;
}

// Places the chips from (x0, y) to the right, wrapping before right; answers the lowest bottom.
int Flow(std::vector<PromptChip>& chips, size_t from, int x0, int& x, int& y, int right) {
    int bottom = y;
    for (size_t i = from; i < chips.size(); ++i) {
        RECT& r = chips[i].rect;
        const int w = r.right - r.left, h = r.bottom - r.top;
        if (x > x0 && x + w > right) {
            x = x0;
            y += MerlaListMPL::kLineStep;
        }
        r = RECT{x, y, x + w, y + h};
        x += w + MerlaListMPL::kChipGap;
        bottom = std::max(bottom, static_cast<int>(r.bottom));
    }
    return bottom;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// MerlaListMPL

MerlaListMPL::MerlaListMPL() {
    SetObjectName(L"MerlaPrompt");
}

std::wstring MerlaListMPL::SettingsPath() {
    return folder_ + kPromptFileName;
}

bool MerlaListMPL::OnSize(UINT type, int width, int height) {
    const bool result = MerlaList::OnSize(type, width, height);
    Layout();
    return result;
}

void MerlaListMPL::Reload() {
    hover_chip_ = nullptr;
    hover_card_ = -1;
    cards_.clear();
    root_chips_.clear();
    const CPromptFile file(folder_);
    std::vector<PromptGroup> groups;
    file.ReadGroups(groups);
    for (const PromptGroup& g : groups) {
        PromptCard card;
        card.identity = g.identity;
        card.created = g.created;
        card.lunar = g.has_calendar && g.calendar.value == kLunarCalendarValue;
        card.has_minute = !g.lists[static_cast<int>(PromptList::kMinute)].empty();
        for (int i = 0; i < kPromptListCount; ++i)
            for (const PromptLabel& label : g.lists[i])
                card.chips.push_back(MakeChip(static_cast<ChipKind>(i), label.text, label.value));
        if (g.has_count && g.count == 1)
            card.chips.push_back(MakeChip(ChipKind::kOnce, L"一次", L"1"));
        if (g.has_calendar)
            card.chips.push_back(MakeChip(ChipKind::kCalendar, g.calendar.text, g.calendar.value));
        cards_.push_back(std::move(card));
    }
    PromptActions actions;
    file.ReadActions(actions);
    for (const PromptLabel& style : actions.styles)
        root_chips_.push_back(MakeChip(ChipKind::kStyle, style.text, style.value));
    for (const PromptFileItem& f : actions.exec_files)
        root_chips_.push_back(MakeChip(ChipKind::kExecFile, f.name, f.path));
    if (actions.has_music)
        root_chips_.push_back(MakeChip(ChipKind::kMusic, actions.music.name, actions.music.path));
    const bool still_there = std::any_of(cards_.begin(), cards_.end(),
                                         [&](const PromptCard& c) { return c.identity == selected_; });
    if (!still_there)
        selected_ = cards_.empty() ? std::wstring() : cards_.front().identity;
    Layout();
}

void MerlaListMPL::Layout() {
    const RECT rc = ClientRect();
    const int right = std::max(static_cast<int>(rc.right) - kStripWidth, kChipLeft + 1);
    int y = 0;
    content_height_ = 0;
    for (PromptCard& card : cards_) {
        const int top = y;
        int x = kChipLeft, line_y = top + kChipTop;
        // The time lists flow together; "一次" and "农历" start a line of their own.
        const auto once_or_calendar =
            std::find_if(card.chips.begin(), card.chips.end(), [](const PromptChip& c) {
                return c.kind == ChipKind::kOnce || c.kind == ChipKind::kCalendar;
            });
        const size_t split = static_cast<size_t>(once_or_calendar - card.chips.begin());
        std::vector<PromptChip> tail(card.chips.begin() + static_cast<std::ptrdiff_t>(split),
                                     card.chips.end());
        card.chips.resize(split);
        int bottom = Flow(card.chips, 0, kChipLeft, x, line_y, right);
        if (!tail.empty()) {
            if (!card.chips.empty()) {
                x = kChipLeft;
                line_y += kLineStep;
            }
            bottom = std::max(bottom, Flow(tail, 0, kChipLeft, x, line_y, right));
            card.chips.insert(card.chips.end(), tail.begin(), tail.end());
        }
        const int card_bottom = std::max(bottom + kChipTop, top + kCardMinHeight);
        card.rect = RECT{0, top, right, card_bottom};
        // The card's two buttons stay inside the list.
        content_height_ = std::max({content_height_, card_bottom, top + 2 * kCardButtonSide});
        y = card_bottom + kCardGap;
    }
    ChipKind last{};
    bool first = true;
    int x = kChipLeft, line_y = y;
    for (size_t i = 0; i < root_chips_.size(); ++i) {
        // Each kind of note-wide label on its own line.
        if (!first && root_chips_[i].kind != last) {
            x = kChipLeft;
            line_y += kLineStep;
        }
        first = false;
        last = root_chips_[i].kind;
        content_height_ = std::max(content_height_, Flow(root_chips_, i, kChipLeft, x, line_y, right));
        // Flow placed every chip from i; keep only this one and go on from there.
        x = static_cast<int>(root_chips_[i].rect.right) + kChipGap;
        line_y = static_cast<int>(root_chips_[i].rect.top);
    }
    vbar_.SetRange(0, content_height_);
    if (vbar_.GetTrackLength() < content_height_ && !vbar_.IsShown())
        vbar_.Show(SW_SHOW);
    else if (vbar_.GetTrackLength() >= content_height_ && vbar_.IsShown())
        vbar_.Show(SW_HIDE);
}

RECT MerlaListMPL::ToClient(const RECT& content) const {
    const int pos = vbar_.GetPos();
    return RECT{content.left, content.top - pos, content.right, content.bottom - pos};
}

RECT MerlaListMPL::CardAddButton(const PromptCard& card) const {
    const RECT r = ToClient(card.rect);
    return RECT{r.right, r.top, r.right + kCardButtonSide, r.top + kCardButtonSide};
}

RECT MerlaListMPL::CardDeleteButton(const PromptCard& card) const {
    const RECT add = CardAddButton(card);
    return RECT{add.left, add.bottom, add.right, add.bottom + kCardButtonSide};
}

RECT MerlaListMPL::ChipDeleteBox(const PromptChip& chip) const {
    const RECT r = ToClient(chip.rect);
    const int side = r.bottom - r.top;
    return RECT{r.right - side, r.top, r.right, r.bottom};
}

void MerlaListMPL::HitAt(int x, int y, int& card, const PromptChip*& chip) const {
    card = -1;
    chip = nullptr;
    const POINT pt{x, y};
    for (size_t i = 0; i < cards_.size(); ++i) {
        RECT r = ToClient(cards_[i].rect);
        const RECT del = CardDeleteButton(cards_[i]);
        r.right += kCardButtonSide;
        r.bottom = std::max(r.bottom, del.bottom);
        if (PtInRect(&r, pt)) {
            card = static_cast<int>(i);
            for (const PromptChip& c : cards_[i].chips) {
                const RECT cr = ToClient(c.rect);
                if (PtInRect(&cr, pt))
                    chip = &c;
            }
            return;
        }
    }
    for (const PromptChip& c : root_chips_) {
        const RECT cr = ToClient(c.rect);
        if (PtInRect(&cr, pt))
            chip = &c;
    }
}

void MerlaListMPL::OnMouseMove(WPARAM keys, int x, int y) {
    MerlaList::OnMouseMove(keys, x, y);
    int card = -1;
    const PromptChip* chip = nullptr;
    HitAt(x, y, card, chip);
    if (card != hover_card_ || chip != hover_chip_) {
        hover_card_ = card;
        hover_chip_ = chip;
        Refresh();
    }
}

void MerlaListMPL::OnMouseLeave() {
    MerlaList::OnMouseLeave();
    if (hover_card_ >= 0 || hover_chip_) {
        hover_card_ = -1;
        hover_chip_ = nullptr;
        Refresh();
    }
}

void MerlaListMPL::TellChanged() {
    PostToSubscribers(kPromptChanged, static_cast<WPARAM>(GetId()), 0);
}

bool MerlaListMPL::RemoveChip(const PromptCard* card, const PromptChip& chip) {
    CPromptFile file(folder_, GetId());
    const std::wstring identity = card ? card->identity : std::wstring();
    switch (chip.kind) {
    case ChipKind::kOnce:
        return file.RemoveOnce(identity);
    case ChipKind::kCalendar:
        return file.RemoveCalendar(identity);
    case ChipKind::kStyle:
        return file.RemoveStyle(chip.text);
    case ChipKind::kExecFile:
        return file.RemoveExecFile(chip.text);
    case ChipKind::kMusic:
        return file.RemoveMusic();
    default:
        return file.RemoveTimeLabel(static_cast<PromptList>(chip.kind), identity, chip.text);
    }
}

void MerlaListMPL::AddGroup() {
    const std::wstring identity = MakeUniqueStamp(kGroupStampNumber);
    if (CPromptFile(folder_, GetId()).AddGroup(identity, CDateTime::Now().Format()))
        selected_ = identity;
}

void MerlaListMPL::DeleteGroup(const std::wstring& identity) {
    if (ShowMessageBox(GetTopLevel() ? GetTopLevel()->GetHandle() : handle_, kDeleteGroupQuestion,
                       kMbOk | kMbCancel, kDeleteGroupBoxId, kDeleteGroupBoxWidth,
                       kDeleteGroupBoxHeight) != kMbOk)
        return;
    const auto it = std::find_if(cards_.begin(), cards_.end(),
                                 [&](const PromptCard& c) { return c.identity == identity; });
    if (it == cards_.end() || !CPromptFile(folder_, GetId()).RemoveGroup(identity))
        return;
    const size_t index = static_cast<size_t>(it - cards_.begin());
    cards_.erase(it);
    if (cards_.empty())
        selected_.clear();
    else
        selected_ = cards_[index > 0 ? index - 1 : 0].identity;
}

void MerlaListMPL::OnClick(WPARAM keys, int x, int y) {
    MerlaList::OnClick(keys, x, y);
    int card = -1;
    const PromptChip* chip = nullptr;
    HitAt(x, y, card, chip);
    const POINT pt{x, y};
    if (chip) {
        const RECT box = ChipDeleteBox(*chip);
        if (PtInRect(&box, pt)) {
            const PromptChip taken = *chip;
            if (RemoveChip(card >= 0 ? &cards_[static_cast<size_t>(card)] : nullptr, taken)) {
                Reload();
                TellChanged();
                Refresh();
            }
            return;
        }
    }
    if (card < 0)
        return;
    const PromptCard& c = cards_[static_cast<size_t>(card)];
    const RECT add = CardAddButton(c), del = CardDeleteButton(c);
    if (PtInRect(&add, pt)) {
        AddGroup();
        Reload();
        TellChanged();
    } else if (PtInRect(&del, pt)) {
        DeleteGroup(c.identity);
        Reload();
        TellChanged();
    } else {
        selected_ = c.identity;
    }
    Refresh();
}

std::wstring MerlaListMPL::GetSelectedGroup() {
    if (cards_.empty()) {
        AddGroup();
        Reload();
    }
    if (selected_.empty() && !cards_.empty())
        selected_ = cards_.front().identity;
    return selected_;
}

bool MerlaListMPL::AllGroupsHaveMinute() const {
    if (cards_.empty())
        return false;
    return std::all_of(cards_.begin(), cards_.end(), [](const PromptCard& c) { return c.has_minute; });
}

LSurface MerlaListMPL::RenderContent() {
    const RECT rc = ClientRect();
    LSurface s = CreateSurface(handle_, rc.right, rc.bottom, 0xFFFFFFFF);
    if (!s)
        return s;
    auto format = MakeStringFormat(kAlignCenter, kAlignCenter);
    format->SetFormatFlags(format->GetFormatFlags() | Gdiplus::StringFormatFlagsNoWrap);
    auto draw_chip = [&](const PromptChip& chip, uint32_t color) {
        const RECT r = ToClient(chip.rect);
        const int w = r.right - r.left, h = r.bottom - r.top;
        if (r.bottom < 0 || r.top > rc.bottom)
            return;
        const int fill_alpha = std::min(static_cast<int>(color >> 24) / 5, kMaxChipFillAlpha);
        FillFramedRect(s, r.left, r.top, w, h, color, fill_alpha);
        // The text keeps clear of the delete square at the right end.
        int text_left = r.left + kChipPadding;
        if (HasPicture(chip.kind)) {
            DrawPictureFile(ResPicture(chip.kind == ChipKind::kExecFile ? kExecPicture : kMusicPicture), s,
                            r.left + kPictureInset, r.top + kPictureInset, h - 2 * kPictureInset,
                            h - 2 * kPictureInset);
            text_left = r.left + h;
        }
        const int text_width = r.right - h + kChipPadding - text_left;
        if (text_width > 0) {
            LSurface t = DrawTextSurface(handle_, *format, chip.text, kDefaultTextColor, text_width, h);
            BlendWithAlpha(s, t, text_left, r.top, static_cast<int>(kDefaultTextColor >> 24));
        }
        if (&chip == hover_chip_) {
            const RECT box = ChipDeleteBox(chip);
            DrawPictureFile(ResPicture(kDeletePicture), s, box.left + kDeleteInset, box.top + kDeleteInset,
                            box.right - box.left - 2 * kDeleteInset, box.bottom - box.top - 2 * kDeleteInset);
        }
    };
    for (size_t i = 0; i < cards_.size(); ++i) {
        const PromptCard& card = cards_[i];
        const RECT r = ToClient(card.rect);
        const uint32_t color = card.lunar ? kLunarCardColor : kCardColor;
        if (card.identity == selected_)
            s.FillRect(r.left, r.top, r.right - r.left, r.bottom - r.top, kSelectedCardFill);
        FrameRect(s, r.left, r.top, r.right - r.left, r.bottom - r.top, color);
        for (const PromptChip& chip : card.chips)
            draw_chip(chip, color);
        if (static_cast<int>(i) == hover_card_) {
            for (const RECT& b : {CardAddButton(card), CardDeleteButton(card)}) {
                FrameRect(s, b.left, b.top, b.right - b.left, b.bottom - b.top, kThemeColor);
                const bool add = b.top == CardAddButton(card).top;
                DrawPictureFile(ResPicture(add ? kAddPicture : kDeletePicture), s, b.left + kCardButtonInset,
                                b.top + kCardButtonInset, kCardButtonSide - 2 * kCardButtonInset,
                                kCardButtonSide - 2 * kCardButtonInset);
            }
        }
    }
    for (const PromptChip& chip : root_chips_)
        draw_chip(chip, kCardColor);
    return s;
}

// ---------------------------------------------------------------------------------------------
// MerlaShowPrompt

MerlaShowPrompt::MerlaShowPrompt() {
    SetObjectName(L"MerlaPrompt");
    gif_.SetDeleteOffer(true);
}

std::wstring MerlaShowPrompt::SettingsPath() {
    return folder_ + kPromptFileName;
}

void MerlaShowPrompt::SetNoteFolder(const std::wstring& folder) {
    folder_ = folder;
    list_.SetNoteFolder(folder);
}

bool MerlaShowPrompt::OnCreate() {
    const bool ok = LWnd::OnCreate();
    const RECT rc = ClientRect();
    list_.Create(0, L"提醒标签列表", 0, WS_CHILD | WS_VISIBLE, 0, 0, rc.right, kListHeight, handle_);
    list_.Subscribe(kPromptChanged, GetParent(handle_));
    gif_.Create(0, L"gif图片窗口", 0, WS_CHILD, 0, kListHeight + kGifRoom - kGifHeight, kGifWidth, kGifHeight,
                handle_);
    return ok;
}

void MerlaShowPrompt::LayoutPanel() {
    HWND parent = GetParent(handle_);
    RECT prc{}, mine{};
    GetClientRect(parent, &prc);
    GetWindowRect(handle_, &mine);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&mine), 2);
    const int room = std::max(0, static_cast<int>(prc.bottom - mine.top) - kBottomRoom);
    const int width = mine.right - mine.left;
    int list_height = std::min(list_.ContentHeight(), gif_shown_ ? std::max(0, room - kGifRoom) : room);
    list_height = std::max(list_height, 1);
    MoveWindow(list_.GetHandle(), 0, 0, width, list_height, FALSE);
    MoveWindow(gif_.GetHandle(), 0, list_height + kGifRoom - kGifHeight, kGifWidth, kGifHeight, FALSE);
    const int height = std::min(list_height + (gif_shown_ ? kGifRoom : 0), room);
    SetWindowPos(handle_, nullptr, 0, 0, width, std::max(height, 1),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MerlaShowPrompt::ReloadGroups() {
    list_.Reload();
    LayoutPanel();
    list_.Reload(); // the list's width may have changed with the scroll bar
}

void MerlaShowPrompt::ReloadGifPreview() {
    PromptActions actions;
    CPromptFile(folder_).ReadActions(actions);
    const bool exists = CPromptFile::IsGifCopyName(actions.gif) &&
                        GetFileAttributesW((folder_ + actions.gif).c_str()) != INVALID_FILE_ATTRIBUTES;
    gif_.SetPicture(folder_, exists ? actions.gif : std::wstring());
    gif_shown_ = exists;
    gif_.Show(exists ? SW_SHOWNA : SW_HIDE);
    LayoutPanel();
}

void MerlaShowPrompt::ClearReminder() {
    gif_.SetPicture(folder_, {});
    CPromptFile(folder_).Clear();
}

LRESULT MerlaShowPrompt::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    if (message == MerlaGif::kPictureDeleted) {
        gif_.SetPicture(folder_, {});
        CPromptFile(folder_, GetId()).RemoveGif();
        ReloadGifPreview();
        ReloadGroups();
        if (LWnd* top = GetTopLevel(); top && top->Redraw())
            top->Present();
        return 0;
    }
    return LWnd::WindowProc(message, wp, lp);
}
