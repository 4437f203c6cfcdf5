#include "manager/MxMiNList.h"

#include "app/base/DirUtils.h"
#include "note/NotePicture.h"
#include "store/NoteRecord.h"

#include <gdiplus.h>

#include <algorithm>
#include <cmath>

using namespace CardGeometry;

namespace {

constexpr uint32_t kBackground = 0xFFFFFFFF;
// Card frames.
constexpr uint32_t kFrameNormal = 0xFFD6D6D6;
constexpr uint32_t kFrameHiddenNormal = 0xBAA976B9;
constexpr uint32_t kFrameHover = 0xFF6F6F6F;
constexpr uint32_t kFrameHiddenHover = 0xFFA976B9;
constexpr uint32_t kFrameSelected = 0xFFFB7946;
constexpr uint32_t kFrameSearchHit = 0xFF70D33F;
constexpr float kPenThin = 1.0f, kPenSearchHit = 2.0f;
// Section bands.
constexpr uint32_t kBandBoxNormal = 0xFFD6D6D6;
constexpr uint32_t kBandBoxMarked = 0xFFFB7946;
constexpr uint32_t kBandBoxHover = 0xFF6F6F6F;
constexpr uint32_t kBandTitleColor = 0xFF1A1A1A;
constexpr uint32_t kBandLineColor = 0xFFD6D6D6;
constexpr float kBandTitleSize = 15.0f;
constexpr int kBandTitleGap = 7; // from the mark box to the title
constexpr int kBandLineGap = 3;  // from the title's bottom to the line under it
constexpr wchar_t kMarkPicture[] = L"check.png";

// Between group, column-mode text and name (or title) in selection and mark keys.
constexpr wchar_t kKeySeparator[] = L":";

// Source-over of a straight ARGB colour on a rectangle of a premultiplied surface (clipped).
void BlendFill(LSurface& s, int x, int y, int w, int h, uint32_t argb) {
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(s.width(), x + w), y1 = std::min(s.height(), y + h);
    if (x0 >= x1 || y0 >= y1)
        return;
    const uint32_t a = argb >> 24;
    if (a == 0xFF) {
        s.FillRect(x0, y0, x1 - x0, y1 - y0, argb);
        return;
    }
    const uint32_t src = LSurface::Premultiply(argb);
    const uint32_t keep = 0xFF - a;
    for (int py = y0; py < y1; ++py) {
        uint32_t* row = s.Row(py);
        for (int px = x0; px < x1; ++px) {
            const uint32_t d = row[px];
            uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const uint32_t c = ((src >> shift) & 0xFF) + (((d >> shift) & 0xFF) * keep + 127) / 0xFF;
                out |= std::min<uint32_t>(c, 0xFF) << shift;
            }
            row[px] = out;
        }
    }
}

// A frame of the given thickness whose outer edge is the rectangle.
void BlendFrame(LSurface& s, const RECT& outer, int thickness, uint32_t argb) {
    const int w = outer.right - outer.left, h = outer.bottom - outer.top;
    BlendFill(s, outer.left, outer.top, w, thickness, argb);
    BlendFill(s, outer.left, outer.bottom - thickness, w, thickness, argb);
    BlendFill(s, outer.left, outer.top + thickness, thickness, h - 2 * thickness, argb);
    BlendFill(s, outer.right - thickness, outer.top + thickness, thickness, h - 2 * thickness, argb);
}

int BandTitleHeight() {
    static int height = 0;
    if (height > 0)
        return height;
    auto font = CreateUiFont(kBandTitleSize);
    auto format = MakeStringFormat(kAlignNear, kAlignNear);
    HDC dc = GetDC(nullptr);
    {
        Gdiplus::Graphics g(dc);
        Gdiplus::RectF bounds;
        const wchar_t sample[] = L"国Ag";
        if (g.MeasureString(sample, static_cast<INT>(std::size(sample) - 1), font.get(),
                            Gdiplus::PointF(0, 0), format.get(), &bounds) == Gdiplus::Ok)
            height = static_cast<int>(std::ceil(bounds.Height));
    }
    ReleaseDC(nullptr, dc);
    // Without font metrics the box is as high as the font size.
    if (height <= 0)
        height = static_cast<int>(kBandTitleSize);
    return height;
}

bool Intersects(const RECT& a, const RECT& b) {
    RECT cut;
    return IntersectRect(&cut, &a, &b) != FALSE;
}

} // namespace

MxMiNList::MxMiNList() {
    SetObjectName(L"MxMiNList");
}

bool MxMiNList::OnCreate() {
    const bool ok = MerlaList::OnCreate();
    vbar_.SetThumbColor(kThumbColor);
    hbar_.SetThumbColor(kThumbColor);
    return ok;
}

int MxMiNList::GetItemCount() {
    return static_cast<int>(cards_.size());
}

LSurface MxMiNList::GetCardSurface(Card&) {
    return {};
}

void MxMiNList::SetColumnMode(const std::wstring& text) {
    mode_text_ = text;
    if (text == kModeByDay)
        mode_ = kColumnsByDay;
    else if (text == kModeNone)
        mode_ = kColumnsNone;
    else if (text == kModeByGroup)
        mode_ = kColumnsByGroup;
}

void MxMiNList::SetFilter(const std::wstring& text) {
    filter_text_ = text;
}

bool MxMiNList::ExportPictures(const std::set<std::wstring>&, const std::wstring&) {
    return false;
}

std::wstring MxMiNList::KeyOf(const std::wstring& name) const {
    return group_ + kKeySeparator + mode_text_ + kKeySeparator + name;
}

bool MxMiNList::Passes(const NoteSummary& row) const {
    const bool hidden = row.state == kNoteStateHidden;
    if (filter_ == kFilterShown)
        return !hidden;
    if (filter_ == kFilterHidden)
        return hidden;
    return true;
}

void MxMiNList::Clear() {
    cards_.clear();
    bands_.clear();
    hover_card_ = hover_band_ = -1;
    content_width_ = content_height_ = 0;
    vbar_.SetRange(0, 0);
    hbar_.SetRange(0, 0);
}

void MxMiNList::SetNotes(const std::vector<NoteSummary>& rows) {
    Clear();
    for (const NoteSummary& row : rows) {
        if (!Passes(row))
            continue;
        Card card;
        card.note = row;
        Resize(card);
        cards_.push_back(std::move(card));
    }
}

void MxMiNList::Reload() {
    std::wstring dir = folder_;
    if (!dir.empty() && dir.back() == L'\\')
        dir.pop_back();
    if (dir.empty() || !FolderExists(dir))
        return;
    SetNotes(LoadNoteList(dir + L'\\'));
}

void MxMiNList::SetScale(double scale) {
    scale_ = scale;
    for (Card& card : cards_)
        Resize(card);
}

void MxMiNList::Resize(Card& card) const {
    card.width = CardSide(card.note.width, scale_, kMaxNotePictureSide);
    card.height = CardSide(card.note.height, scale_, kMaxNotePictureSide);
    card.picture.Reset();
    card.picture_made = false;
}

void MxMiNList::RefreshCard(size_t index) {
    if (index >= cards_.size())
        return;
    Card& card = cards_[index];
    NoteFields fields;
    if (NoteRecord::ForNote(card.note.folder + card.note.name + L"\\", card.note.name).ReadFields(fields)) {
        if (fields.has_rect) {
            card.note.width = fields.rect.Width();
            card.note.height = fields.rect.Height();
        }
        card.note.preview = fields.pngview;
        card.note.hidden = fields.ishide;
        card.note.state = fields.ishide != 0 ? kNoteStateHidden : kNoteStateShown;
    }
    Resize(card);
}

bool MxMiNList::OnSize(UINT type, int width, int height) {
    const bool result = MerlaList::OnSize(type, width, height);
    // The cards flow again in the new width; the parent repaints.
    if (!cards_.empty())
        Arrange();
    return result;
}

void MxMiNList::LayoutCards() {
    Arrange();
    if (handle_)
        Refresh();
}

void MxMiNList::Arrange() {
    std::vector<CardShape> shapes;
    shapes.reserve(cards_.size());
    for (const Card& card : cards_)
        shapes.push_back(
            CardShape{card.width, card.height, CardSectionTitle(mode_, card.note.created, card.note.group)});
    const RECT rc = ClientRect();
    const CardLayout layout = LayOutCards(mode_, shapes, rc.right);
    for (size_t i = 0; i < cards_.size(); ++i) {
        Card& card = cards_[i];
        card.rect =
            RECT{layout.left[i], layout.top[i], layout.left[i] + card.width, layout.top[i] + card.height};
    }
    bands_.clear();
    for (const CardBand& band : layout.bands) {
        Band b;
        b.title = band.title;
        b.key = group_ + kKeySeparator + mode_text_ + kKeySeparator + band.title;
        b.rect = RECT{band.left, band.top, band.right, band.bottom};
        b.cards = band.cards;
        marks_.emplace(b.key, false);
        bands_.push_back(std::move(b));
    }
    if (hover_band_ >= static_cast<int>(bands_.size()))
        hover_band_ = -1;
    content_width_ = layout.content_width;
    content_height_ = layout.content_height;
    vbar_.SetRange(0, content_height_);
    hbar_.SetRange(0, content_width_);
    if (hbar_.GetHandle())
        hbar_.Show(hbar_.IsScrollable() ? SW_SHOWNA : SW_HIDE);
    last_vpos_ = vbar_.GetPos();
    last_hpos_ = hbar_.GetPos();
}

bool MxMiNList::IsSelected(size_t card) const {
    return card < cards_.size() && selection_.count(KeyOf(cards_[card].note.name)) > 0;
}

void MxMiNList::SelectAll() {
    for (const Card& card : cards_)
        selection_.insert(KeyOf(card.note.name));
    Refresh();
}

void MxMiNList::InvertSelection() {
    for (const Card& card : cards_) {
        const std::wstring key = KeyOf(card.note.name);
        if (!selection_.erase(key))
            selection_.insert(key);
    }
    Refresh();
}

std::set<std::wstring> MxMiNList::SelectedNames() const {
    std::set<std::wstring> names;
    for (size_t i = 0; i < cards_.size(); ++i)
        if (IsSelected(i))
            names.insert(cards_[i].note.name);
    return names;
}

void MxMiNList::RemoveCards(const std::vector<std::wstring>& names) {
    const std::set<std::wstring> gone(names.begin(), names.end());
    const auto before = cards_.size();
    cards_.erase(std::remove_if(cards_.begin(), cards_.end(),
                                [&gone](const Card& card) { return gone.count(card.note.name) > 0; }),
                 cards_.end());
    if (cards_.size() == before)
        return;
    hover_card_ = -1;
    // The sections hold card indices: they are made again.
    LayoutCards();
}

void MxMiNList::ClearSearchHit() {
    for (Card& card : cards_)
        card.search_hit = false;
    Refresh();
}

void MxMiNList::MarkSearchHit(const std::wstring& name) {
    int hit = -1;
    for (size_t i = 0; i < cards_.size(); ++i) {
        cards_[i].search_hit = cards_[i].note.name == name;
        if (cards_[i].search_hit && hit < 0)
            hit = static_cast<int>(i);
    }
    if (hit >= 0)
        ScrollIntoView(static_cast<size_t>(hit));
    Refresh();
}

void MxMiNList::ScrollIntoView(size_t index) {
    if (index >= cards_.size() || !vbar_.IsScrollable())
        return;
    const RECT& r = cards_[index].rect;
    const int pos = vbar_.GetPos(), track = vbar_.GetTrackLength();
    if (r.bottom > pos + track)
        vbar_.SetScrollPos(r.bottom - track);
    else if (r.top < pos)
        vbar_.SetScrollPos(r.top);
}

bool MxMiNList::IsBandMarked(size_t band) const {
    if (band >= bands_.size())
        return false;
    auto it = marks_.find(bands_[band].key);
    return it != marks_.end() && it->second;
}

MxMiNList::FrameLook MxMiNList::CardFrame(size_t index) const {
    if (index >= cards_.size())
        return {};
    const Card& card = cards_[index];
    if (card.search_hit)
        return {kFrameSearchHit, kPenSearchHit};
    if (IsSelected(index))
        return {kFrameSelected, kPenThin};
    if (static_cast<int>(index) == hover_card_)
        return {card.Hidden() ? kFrameHiddenHover : kFrameHover, kPenThin};
    return {card.Hidden() ? kFrameHiddenNormal : kFrameNormal, kPenThin};
}

uint32_t MxMiNList::BandFrameColor(size_t band) const {
    if (IsBandMarked(band))
        return kBandBoxMarked;
    return static_cast<int>(band) == hover_band_ ? kBandBoxHover : kBandBoxNormal;
}

RECT MxMiNList::CardClientRect(size_t index) const {
    if (index >= cards_.size())
        return RECT{};
    RECT r = cards_[index].rect;
    OffsetRect(&r, -hbar_.GetPos(), -vbar_.GetPos());
    return r;
}

int MxMiNList::CardAt(int x, int y) const {
    const POINT pt{x + hbar_.GetPos(), y + vbar_.GetPos()};
    for (size_t i = 0; i < cards_.size(); ++i)
        if (PtInRect(&cards_[i].rect, pt))
            return static_cast<int>(i);
    return -1;
}

int MxMiNList::BandAt(int x, int y) const {
    const POINT pt{x + hbar_.GetPos(), y + vbar_.GetPos()};
    for (size_t i = 0; i < bands_.size(); ++i)
        if (PtInRect(&bands_[i].rect, pt))
            return static_cast<int>(i);
    return -1;
}

void MxMiNList::OnMouseHover(WPARAM keys, int x, int y) {
    MerlaList::OnMouseHover(keys, x, y);
    const int card = CardAt(x, y);
    const int band = card < 0 ? BandAt(x, y) : -1;
    if (card == hover_card_ && band == hover_band_)
        return;
    hover_card_ = card;
    hover_band_ = band;
    Refresh();
}

void MxMiNList::OnMouseLeave() {
    MerlaList::OnMouseLeave();
    if (hover_card_ < 0 && hover_band_ < 0)
        return;
    hover_card_ = hover_band_ = -1;
    Refresh();
}

void MxMiNList::OnClick(WPARAM keys, int x, int y) {
    MerlaList::OnClick(keys, x, y);
    const int index = CardAt(x, y);
    if (index >= 0) {
        const Card& card = cards_[static_cast<size_t>(index)];
        const std::wstring key = KeyOf(card.note.name);
        if (selection_.erase(key)) {
            Refresh();
            return;
        }
        selection_.insert(key);
        Refresh();
        // The strings stay valid during the call: nothing here changes the cards.
        const std::wstring name = card.note.name, group = card.note.group;
        SendToSubscribers(kCardSelected, reinterpret_cast<WPARAM>(name.c_str()),
                          reinterpret_cast<LPARAM>(group.c_str()));
        return;
    }
    const int band = BandAt(x, y);
    if (band < 0)
        return;
    bool& marked = marks_[bands_[static_cast<size_t>(band)].key];
    marked = !marked;
    for (size_t i : bands_[static_cast<size_t>(band)].cards) {
        if (i >= cards_.size())
            continue;
        if (marked)
            selection_.insert(KeyOf(cards_[i].note.name));
        else
            selection_.erase(KeyOf(cards_[i].note.name));
    }
    Refresh();
}

void MxMiNList::DrawBand(LSurface& s, size_t index, int dx, int dy) {
    const Band& band = bands_[index];
    const int side = BandTitleHeight();
    const int box_left = band.rect.left + dx;
    const int box_top = band.rect.top + dy + (kBandHeight - side) / 2;
    if (IsBandMarked(index))
        DrawPictureFile(ResPicture(kMarkPicture), s, box_left, box_top, side, side);
    BlendFrame(s, RECT{box_left, box_top, box_left + side, box_top + side}, 1, BandFrameColor(index));
    const int title_left = box_left + side + kBandTitleGap;
    const int title_width = band.rect.right + dx - title_left;
    if (title_width > 0) {
        auto font = CreateUiFont(kBandTitleSize);
        auto format = MakeStringFormat(kAlignNear, kAlignCenter);
        LSurface text =
            DrawTextSurface(handle_, *font, *format, band.title, kBandTitleColor, title_width, side);
        BlendWithAlpha(s, text, title_left, box_top, static_cast<int>(kBandTitleColor >> 24));
    }
    BlendFill(s, box_left, box_top + side + kBandLineGap, band.rect.right - band.rect.left, 1,
              kBandLineColor);
}

void MxMiNList::DrawCard(LSurface& s, Card& card, int dx, int dy) {
    if (!card.picture_made) {
        card.picture = GetCardSurface(card);
        card.picture_made = true;
    }
    const int x = card.rect.left + dx, y = card.rect.top + dy;
    if (card.picture)
        s.BlendFrom(card.picture, x, y, 0, 0, std::min(card.picture.width(), card.width),
                    std::min(card.picture.height(), card.height));
    const size_t index = static_cast<size_t>(&card - cards_.data());
    const FrameLook look = CardFrame(index);
    RECT outer = card.rect;
    InflateRect(&outer, kFrameInset, kFrameInset);
    OffsetRect(&outer, dx, dy);
    BlendFrame(s, outer, std::max(1, static_cast<int>(std::lround(look.pen))), look.color);
}

LSurface MxMiNList::RenderContent() {
    const RECT rc = ClientRect();
    LSurface s = CreateSurface(handle_, rc.right, rc.bottom, kBackground);
    if (!s)
        return s;
    const int hpos = hbar_.GetPos(), vpos = vbar_.GetPos();
    const RECT view{hpos, vpos, hpos + rc.right, vpos + rc.bottom};
    for (size_t i = 0; i < bands_.size(); ++i)
        if (Intersects(bands_[i].rect, view))
            DrawBand(s, i, -hpos, -vpos);
    // Only the cards in view get their pictures made: a long list shows its first screen at once.
    for (Card& card : cards_) {
        RECT outer = card.rect;
        InflateRect(&outer, kFrameInset + 1, kFrameInset + 1);
        if (Intersects(outer, view))
            DrawCard(s, card, -hpos, -vpos);
    }
    return s;
}
