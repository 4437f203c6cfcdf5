#include "toolkit/pickers/MerlaColorSel.h"

#include "app/base/AppPaths.h"
#include "store/xml/CXmlDoc.h"
#include "toolkit/pickers/PickerLook.h"
#include "toolkit/pickers/PickerPopup.h"
#include "toolkit/pickers/PickerValues.h"

#include <algorithm>

namespace {

constexpr wchar_t kSettingsFile[] = L"MerlaColorSel.xml";
constexpr wchar_t kRecentKey[] = L"RecentUserColors";
constexpr wchar_t kItemKey[] = L"ColorItem";
constexpr wchar_t kCurrentKey[] = L"CurSelColor";
constexpr wchar_t kThemeCaption[] = L"主题颜色";
constexpr wchar_t kStandardCaption[] = L"标准颜色";
constexpr wchar_t kCaptionFamily[] = L"微软雅黑";
constexpr float kCaptionPoints = 11.0f;

constexpr int kThemeTop = 58;
constexpr int kTintTops[] = {81, 96, 111, 126, 141};
constexpr int kStandardTop = 188;
constexpr int kBandHeight = 20, kBandGap = 5; // a caption band ends this far above its swatches
constexpr uint32_t kColumnFrame = 0xFFC5C5C5;

constexpr uint32_t kTheme[MerlaColorSel::kColumns] = {0xFF000000, 0xFFEEECE1, 0xFF1F497D, 0xFF4F81BD,
                                                      0xFFC0504D, 0xFF9BBB59, 0xFF8064A2, 0xFF4BACC6,
                                                      0xFFF79646, 0xFFFFFFFF};
constexpr uint32_t kTints[5][MerlaColorSel::kColumns] = {
    {0xFF7F7F7F, 0xFFDDD9C3, 0xFFC6D9F0, 0xFFDBE5F1, 0xFFF2DCDB, 0xFFEBF1DD, 0xFFE5E0EC, 0xFFDBEEF3,
     0xFFFDEADA, 0xFFF2F2F2},
    {0xFF595959, 0xFFC4BD97, 0xFF8DB3E2, 0xFFB8CCE4, 0xFFE5B9B7, 0xFFD7E3BC, 0xFFCCC1D9, 0xFFB7DDE8,
     0xFFFBD5B5, 0xFFD8D8D8},
    {0xFF3F3F3F, 0xFF938953, 0xFF548DD4, 0xFF95B3D7, 0xFFD99694, 0xFFC3D69B, 0xFFB2A2C7, 0xFF92CDDC,
     0xFFFAC08F, 0xFFBFBFBF},
    {0xFF262626, 0xFF494429, 0xFF17365D, 0xFF366092, 0xFF953734, 0xFF76923C, 0xFF5F497A, 0xFF31859B,
     0xFFE56C09, 0xFFA5A5A5},
    {0xFF0C0C0C, 0xFF1D1B10, 0xFF0F243E, 0xFF244061, 0xFF632423, 0xFF4F6128, 0xFF3F3151, 0xFF205867,
     0xFF974806, 0xFF7F7F7F},
};
constexpr uint32_t kStandard[MerlaColorSel::kColumns] = {0xFFC00000, 0xFFFF0000, 0xFFFFC000, 0xFFFFFF00,
                                                         0xFF92D050, 0xFF00B050, 0xFF00B0F0, 0xFF0070C0,
                                                         0xFF002060, 0xFF7030A0};

RECT SwatchRect(int column, int top) {
    const int x = MerlaColorSel::kColumnLeft + MerlaColorSel::kColumnStep * column;
    return RECT{x, top, x + MerlaColorSel::kSwatchSide, top + MerlaColorSel::kSwatchSide};
}

// A 1-pixel outline just outside the rectangle.
void OutlineAround(LSurface& s, const RECT& r, uint32_t argb) {
    const int x = r.left - 1, y = r.top - 1, w = r.right - r.left + 2, h = r.bottom - r.top + 2;
    s.FillRect(x, y, w, 1, argb);
    s.FillRect(x, y + h - 1, w, 1, argb);
    s.FillRect(x, y, 1, h, argb);
    s.FillRect(x + w - 1, y, 1, h, argb);
}

} // namespace

MerlaColorSel::MerlaColorSel() {
    SetObjectName(L"MerlaColorSel");
    BuildTable();
}

std::wstring MerlaColorSel::SettingsPath() {
    return NormalSetDir() + kSettingsFile;
}

void MerlaColorSel::BuildTable() {
    table_.clear();
    for (int k = 0; k < kColumns; ++k)
        table_.push_back(Swatch{kTheme[k], SwatchRect(k, kThemeTop)});
    for (size_t row = 0; row < std::size(kTintTops); ++row)
        for (int k = 0; k < kColumns; ++k)
            table_.push_back(Swatch{kTints[row][k], SwatchRect(k, kTintTops[row])});
    for (int k = 0; k < kColumns; ++k)
        table_.push_back(Swatch{kStandard[k], SwatchRect(k, kStandardTop)});
}

bool MerlaColorSel::OnCreate() {
    const bool ok = LWnd::OnCreate();
    LoadRecentColors();
    if (recent_.empty())
        AddRecentColor(kStartColor, false);
    return ok;
}

void MerlaColorSel::AddRecentColor(uint32_t argb, bool present) {
    recent_.erase(
        std::remove_if(recent_.begin(), recent_.end(), [argb](const Swatch& s) { return s.color == argb; }),
        recent_.end());
    recent_.insert(recent_.begin(), Swatch{argb, RECT{}});
    if (recent_.size() > static_cast<size_t>(kMaxRecent))
        recent_.resize(kMaxRecent);
    for (size_t i = 0; i < recent_.size(); ++i)
        recent_[i].rect = SwatchRect(static_cast<int>(i), kRecentTop);
    if (!loading_)
        SaveRecentColors();
    if (present && handle_)
        Refresh();
}

void MerlaColorSel::SaveRecentColors() {
    CXmlDoc doc;
    if (!OpenSettings(doc) || !doc.Into())
        return;
    if (doc.FindNext(kRecentKey))
        doc.RemoveCurrent();
    while (doc.FindNext()) {
    }
    doc.AddNext(kRecentKey);
    doc.Into();
    // The oldest first: reading them back in file order, each going first, restores the row.
    for (auto it = recent_.rbegin(); it != recent_.rend(); ++it)
        doc.AddNext(kItemKey, ArgbText(it->color));
    doc.OutOf();
    doc.Rewind();
    doc.SetChildText(kCurrentKey, ArgbText(current_));
    doc.Save(SettingsPath());
}

void MerlaColorSel::LoadRecentColors() {
    CXmlDoc doc;
    if (!doc.Load(SettingsPath()) || !doc.FindNext(GetObjectName()) || !doc.Into())
        return;
    std::vector<uint32_t> colors;
    if (doc.FindNext(kRecentKey) && doc.Into()) {
        while (doc.FindNext(kItemKey)) {
            uint32_t argb = 0;
            if (ParseArgbText(doc.GetText(), argb))
                colors.push_back(argb);
        }
        doc.OutOf();
    }
    doc.Rewind();
    std::wstring text;
    uint32_t current = 0;
    const bool has_current = doc.GetChildText(kCurrentKey, text) && ParseArgbText(text, current);
    if (has_current)
        current_ = current;
    // Each through the insertion rule, so the first in the file ends last; the file already holds
    // what it would be saved as.
    loading_ = true;
    for (uint32_t argb : colors)
        AddRecentColor(argb, false);
    loading_ = false;
}

const MerlaColorSel::Swatch* MerlaColorSel::SwatchAt(int x, int y) const {
    const POINT pt{x, y};
    for (const Swatch& s : recent_)
        if (PtInRect(&s.rect, pt))
            return &s;
    for (const Swatch& s : table_)
        if (PtInRect(&s.rect, pt))
            return &s;
    return nullptr;
}

void MerlaColorSel::Refresh() {
    if (Redraw())
        Present();
}

void MerlaColorSel::ClearHover() {
    hovered_ = RECT{};
}

void MerlaColorSel::OnMouseMove(WPARAM keys, int x, int y) {
    LWnd::OnMouseMove(keys, x, y);
    const Swatch* s = SwatchAt(x, y);
    const RECT now = s ? s->rect : RECT{};
    if (s)
        current_ = s->color;
    if (!EqualRect(&now, &hovered_)) {
        hovered_ = now;
        Refresh();
    }
}

void MerlaColorSel::OnMouseLeave() {
    LWnd::OnMouseLeave();
    if (!IsRectEmpty(&hovered_)) {
        ClearHover();
        Refresh();
    }
}

void MerlaColorSel::OnClick(WPARAM keys, int x, int y) {
    LWnd::OnClick(keys, x, y);
    // The swatch under the release decides, also when no hover was seen before it.
    const Swatch* s = SwatchAt(x, y);
    if (!s)
        return;
    current_ = s->color;
    AddRecentColor(current_, true);
    SendToSubscribers(kColorChosen, 0, 0);
}

void MerlaColorSel::SetFocusWnd() {
    TakeQuietFocus(*this);
}

bool MerlaColorSel::OnKillFocus(LWnd* new_focus) {
    const bool result = LWnd::OnKillFocus(new_focus);
    ReportFocusLoss(*this, new_focus);
    return result;
}

LSurface MerlaColorSel::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (!s)
        return s;
    const int W = s.width();
    for (const Swatch& r : recent_) {
        FillFramedRect(s, r.rect.left, r.rect.top, kSwatchSide, kSwatchSide, kRecentOutline, 0);
        s.FillRect(r.rect.left + 1, r.rect.top + 1, kSwatchSide - 2, kSwatchSide - 2, r.color);
    }
    auto font = MakeFamilyFont(kCaptionFamily, kCaptionPoints, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint);
    DrawCaptionBand(handle_, s, *font, kAlignFar, kThemeCaption, 0, kThemeTop - kBandGap - kBandHeight, W,
                    kBandHeight);
    DrawCaptionBand(handle_, s, *font, kAlignFar, kStandardCaption, 0, kStandardTop - kBandGap - kBandHeight,
                    W, kBandHeight);
    for (const Swatch& t : table_)
        s.FillRect(t.rect.left, t.rect.top, kSwatchSide, kSwatchSide, t.color);
    // The theme and standard swatches stand alone: a frame keeps the white one visible.
    for (int k = 0; k < kColumns; ++k) {
        OutlineAround(s, SwatchRect(k, kThemeTop), kColumnFrame);
        OutlineAround(s, SwatchRect(k, kStandardTop), kColumnFrame);
    }
    // The tints and shades of a column are one group under one frame.
    const int first = kTintTops[0], last = kTintTops[std::size(kTintTops) - 1] + kSwatchSide;
    for (int k = 0; k < kColumns; ++k) {
        RECT column = SwatchRect(k, first);
        column.bottom = last;
        OutlineAround(s, column, kColumnFrame);
    }
    if (!IsRectEmpty(&hovered_))
        OutlineAround(s, hovered_, kThemeColor);
    return s;
}
