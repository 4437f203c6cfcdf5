#include "toolkit/MerlaList.h"

#include "app/base/DirUtils.h"

#include <gdiplus.h>

#include <algorithm>
#include <cwctype>

namespace {

constexpr uint32_t kListBackground = 0xFFFFFFFF;
// Room kept free right of the last cell of a row, for the scroll bar.
constexpr int kCellRightReserve = 7;

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                                        static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

void DrawBorder(LSurface& s, uint32_t argb) {
    const int w = s.width(), h = s.height();
    s.FillRect(0, 0, w, 1, argb);
    s.FillRect(0, h - 1, w, 1, argb);
    s.FillRect(0, 0, 1, h, argb);
    s.FillRect(w - 1, 0, 1, h, argb);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// MerlaList

MerlaList::MerlaList() {
    SetObjectName(L"MerlaList");
}

bool MerlaList::OnCreate() {
    const bool ok = LWnd::OnCreate();
    const RECT rc = ClientRect();
    vbar_.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, rc.right - bar_width_ - 1, 0, bar_width_, rc.bottom,
                 handle_);
    hbar_.Create(0, L"", 0, WS_CHILD, 0, rc.bottom - bar_height_ - 1, rc.right, bar_height_, handle_);
    vbar_.SetThumbColor(kThemeColor);
    hbar_.SetThumbColor(kThemeColor);
    return ok;
}

bool MerlaList::OnSize(UINT type, int width, int height) {
    const bool result = LWnd::OnSize(type, width, height);
    const RECT rc = ClientRect();
    if (vbar_.GetHandle())
        MoveWindow(vbar_.GetHandle(), rc.right - bar_width_ - 1, 0, bar_width_, rc.bottom, FALSE);
    if (hbar_.GetHandle())
        MoveWindow(hbar_.GetHandle(), 0, rc.bottom - bar_height_ - 1, rc.right, bar_height_, FALSE);
    return result;
}

int MerlaList::GetItemCount() {
    return -1;
}

void MerlaList::Refresh() {
    if (Redraw())
        Present();
}

LRESULT MerlaList::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message != LNotify::kScrollPos)
        return LWnd::OnNotify(message, wp, lp);
    const int pos = static_cast<int>(lp);
    int& last = static_cast<int>(wp) == hbar_.GetId() ? last_hpos_ : last_vpos_;
    if (pos != last) {
        last = pos;
        Refresh();
    }
    return 0;
}

void MerlaList::OnMouseWheel(int, int delta, int, int) {
    // Turned towards the user (delta <= 0): further down the list.
    vbar_.SetScrollPos(delta <= 0 ? vbar_.GetPos() + kWheelStep : vbar_.GetPos() - kWheelStep);
}

// ---------------------------------------------------------------------------------------------
// MerlaListBox

MerlaListBox::MerlaListBox() {
    SetObjectName(L"MerlaListBox");
}

int MerlaListBox::GetItemCount() {
    return static_cast<int>(rows_.size());
}

void MerlaListBox::UpdateRange() {
    const int total = rows_.empty() ? 0 : static_cast<int>(rows_.back().rect.bottom);
    vbar_.SetRange(0, total);
    if (vbar_.GetTrackLength() < total && !vbar_.IsShown())
        vbar_.Show(SW_SHOW);
}

void MerlaListBox::AddItem(const std::wstring& text, int index) {
    const RECT rc = ClientRect();
    const int right = rc.right - kRowRightGap;
    if (index < 0 || index >= static_cast<int>(rows_.size())) {
        const int y = rows_.empty() ? 0 : static_cast<int>(rows_.back().rect.bottom);
        rows_.push_back(Row{text, RECT{0, y, right, y + row_height_}});
    } else {
        const int y = rows_[static_cast<size_t>(index)].rect.top;
        for (size_t i = static_cast<size_t>(index); i < rows_.size(); ++i)
            OffsetRect(&rows_[i].rect, 0, row_height_);
        rows_.insert(rows_.begin() + index, Row{text, RECT{0, y, right, y + row_height_}});
        if (selected_ >= index)
            ++selected_;
        if (hover_ >= index)
            ++hover_;
    }
    UpdateRange();
}

void MerlaListBox::RemoveItem(int index) {
    if (index < 0 || index >= static_cast<int>(rows_.size()))
        return;
    const int height =
        rows_[static_cast<size_t>(index)].rect.bottom - rows_[static_cast<size_t>(index)].rect.top;
    rows_.erase(rows_.begin() + index);
    for (size_t i = static_cast<size_t>(index); i < rows_.size(); ++i)
        OffsetRect(&rows_[i].rect, 0, -height);
    // Indexes of later rows move with them; the removed row is no longer hovered or selected.
    auto follow = [index](int& i) { i = i == index ? -1 : (i > index ? i - 1 : i); };
    follow(selected_);
    follow(hover_);
    UpdateRange();
}

void MerlaListBox::RemoveItemByText(const std::wstring& text) {
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (SameTextIgnoringCase(rows_[i].text, text)) {
            RemoveItem(static_cast<int>(i));
            return;
        }
    }
}

void MerlaListBox::EnsureItemVisible(int index) {
    if (!vbar_.IsScrollable() || index < 0 || index >= static_cast<int>(rows_.size()))
        return;
    const RECT& r = rows_[static_cast<size_t>(index)].rect;
    const int pos = vbar_.GetPos(), track = vbar_.GetTrackLength();
    if (r.bottom > pos + track)
        vbar_.SetScrollPos(r.bottom - track);
    else if (r.top < pos)
        vbar_.SetScrollPos(r.top);
}

int MerlaListBox::RowAt(int x, int y) const {
    const POINT pt{x, y + vbar_.GetPos()};
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (PtInRect(&rows_[i].rect, pt))
            return static_cast<int>(i);
    }
    return -1;
}

void MerlaListBox::OnMouseHover(WPARAM keys, int x, int y) {
    MerlaList::OnMouseHover(keys, x, y);
    const int row = RowAt(x, y);
    if (row >= 0 && row != hover_) {
        hover_ = row;
        Refresh();
    }
}

void MerlaListBox::OnClick(WPARAM keys, int x, int y) {
    MerlaList::OnClick(keys, x, y);
    const int row = RowAt(x, y);
    if (row >= 0 && row != selected_) {
        selected_ = row;
        Refresh();
    }
}

LSurface MerlaListBox::RenderContent() {
    const RECT rc = ClientRect();
    LSurface s = CreateSurface(handle_, rc.right, rc.bottom, kListBackground);
    if (!s)
        return s;
    if (border_)
        DrawBorder(s, kThemeColor);
    const int pos = vbar_.GetPos();
    for (size_t i = 0; i < rows_.size(); ++i) {
        RECT view = rows_[i].rect;
        OffsetRect(&view, 0, -pos);
        RECT cut;
        if (IntersectRect(&cut, &view, &rc))
            DrawItem(s, static_cast<int>(i));
    }
    return s;
}

void MerlaListBox::DrawItem(LSurface& surface, int index) {
    if (index < 0 || index >= static_cast<int>(rows_.size()))
        return;
    const Row& row = rows_[static_cast<size_t>(index)];
    const int w = row.rect.right - row.rect.left, h = row.rect.bottom - row.rect.top;
    auto format = MakeTabbedFormat(row.text, kAlignNear, kAlignCenter);
    LSurface text = DrawTextSurface(handle_, *format, row.text, kDefaultTextColor, w, h);
    BlendWithAlpha(surface, text, row.rect.left, row.rect.top - vbar_.GetPos(),
                   static_cast<int>(kDefaultTextColor >> 24));
}

// ---------------------------------------------------------------------------------------------
// MerlaListImage

MerlaListImage::MerlaListImage() {
    SetObjectName(L"MerlaListImage");
}

void MerlaListImage::LoadFolder(const std::wstring& folder, bool clear) {
    std::wstring dir = folder;
    if (!dir.empty() && dir.back() == L'\\')
        dir.pop_back();
    if (dir.empty() || !FolderExists(dir))
        return;
    dir += L'\\';
    vbar_.SetScrollPos(0);
    last_vpos_ = 0;
    if (clear) {
        cells_.clear();
        hover_ = -1;
    }
    for (const std::wstring& name : ListEntries(dir)) {
        const std::wstring path = dir + name;
        int w = 0, h = 0;
        if (PictureFileSize(path, w, h))
            cells_.push_back(MerlaImageCell{path, name, RECT{}});
    }
    LayoutCells();
    BuildCache();
}

void MerlaListImage::LayoutCells() {
    const RECT rc = ClientRect();
    const int step = kCellSide + kCellGap;
    int x = kCellGap, y = kCellGap;
    for (size_t i = 0; i < cells_.size(); ++i) {
        cells_[i].rect = RECT{x, y, x + kCellSide, y + kCellSide};
        const int next_right = x + step + kCellSide;
        // The next cell starts a new row when it would reach under the scroll bar.
        if (i + 1 < cells_.size() && rc.right < next_right + kCellGap + kCellRightReserve) {
            x = kCellGap;
            y += step;
        } else {
            x += step;
        }
    }
    const int bottom = cells_.empty() ? 0 : static_cast<int>(cells_.back().rect.bottom) + kCellGap;
    vbar_.SetRange(0, bottom);
}

void MerlaListImage::BuildCache() {
    const RECT rc = ClientRect();
    const int height = cells_.empty() ? 0 : static_cast<int>(cells_.back().rect.bottom) + kCellGap;
    cache_ = CreateSurface(handle_, rc.right, height, 0);
    if (!cache_)
        return;
    for (const MerlaImageCell& cell : cells_)
        DrawPictureFile(cell.path, cache_, cell.rect.left, cell.rect.top, kCellSide, kCellSide);
}

int MerlaListImage::CellAt(int x, int y) const {
    const POINT pt{x, y + vbar_.GetPos()};
    for (size_t i = 0; i < cells_.size(); ++i) {
        if (PtInRect(&cells_[i].rect, pt))
            return static_cast<int>(i);
    }
    return -1;
}

void MerlaListImage::OnMouseMove(WPARAM keys, int x, int y) {
    MerlaList::OnMouseMove(keys, x, y);
    const int cell = CellAt(x, y);
    if (cell != hover_) {
        hover_ = cell;
        Refresh();
    }
}

void MerlaListImage::OnClick(WPARAM keys, int x, int y) {
    MerlaList::OnClick(keys, x, y);
    const int cell = CellAt(x, y);
    if (cell < 0)
        SendToSubscribers(kCellClicked, static_cast<WPARAM>(-1), 0);
    else
        SendToSubscribers(kCellClicked, static_cast<WPARAM>(cell),
                          reinterpret_cast<LPARAM>(&cells_[static_cast<size_t>(cell)]));
}

LSurface MerlaListImage::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (!s)
        return s;
    const int pos = vbar_.GetPos();
    if (cache_) {
        const int h = std::min(cache_.height() - pos, s.height());
        if (h > 0)
            s.BlendFrom(cache_, 0, 0, 0, pos, std::min(cache_.width(), s.width()), h);
    }
    if (hover_ >= 0 && hover_ < static_cast<int>(cells_.size())) {
        RECT r = cells_[static_cast<size_t>(hover_)].rect;
        OffsetRect(&r, 0, -pos);
        s.FillRect(r.left, r.top, r.right - r.left, 1, kThemeColor);
        s.FillRect(r.left, r.bottom - 1, r.right - r.left, 1, kThemeColor);
        s.FillRect(r.left, r.top, 1, r.bottom - r.top, kThemeColor);
        s.FillRect(r.right - 1, r.top, 1, r.bottom - r.top, kThemeColor);
    }
    DrawBorder(s, kThemeColor);
    return s;
}
