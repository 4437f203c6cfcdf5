#include "richtext/GlyphDocument.h"

#include "richtext/ColorRegistry.h"
#include "richtext/FontRegistry.h"
#include "richtext/GlyphLiveSet.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LGlyphImage.h"
#include "richtext/LGlyphTChar.h"
#include "richtext/RtfFileWriter.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

GlyphDocument::GlyphDocument(int width, int height)
    : font_(FontRegistry::Instance().Default()), color_(DefaultTextColor()) {
    surface_.Create(std::max(width, 1), std::max(height, 1));
}

GlyphDocument::~GlyphDocument() {
    DeleteAll();
}

LGlyphEditRow* GlyphDocument::Row(int index) const {
    if (index < 0 || index >= RowCount())
        return nullptr;
    return rows_[static_cast<size_t>(index)];
}

LGlyphEditRow* GlyphDocument::CreateRow(int index) {
    auto* row = new LGlyphEditRow;
    row->SetSurface(manual_pixels_ ? nullptr : surface_.dc());
    if (row_subscriber_)
        row->Subscribe(kRowHeightChanged, row_subscriber_);
    row->SetBox(static_cast<float>(text_indent_), 0, static_cast<float>(surface_.width()),
                static_cast<float>(CellHeight(font_)));
    rows_.insert(rows_.begin() + index, row);
    return row;
}

void GlyphDocument::SetCaret(int row, int index) {
    if (rows_.empty()) {
        caret_row_ = caret_index_ = 0;
        return;
    }
    caret_row_ = std::clamp(row, 0, RowCount() - 1);
    LGlyphEditRow* r = rows_[static_cast<size_t>(caret_row_)];
    r->SetCaretIndex(index);
    caret_index_ = r->CaretIndex();
}

bool GlyphDocument::InsertAtCaret(const std::vector<LGlyph*>& glyphs, bool record_undo) {
    if (glyphs.empty())
        return true;
    if (rows_.empty()) {
        CreateRow(0);
        caret_row_ = caret_index_ = 0;
    }
    int current = caret_row_;
    LGlyphEditRow* row = rows_[static_cast<size_t>(current)];
    const int at = std::clamp(caret_index_, 0, row->Count());
    std::vector<LGlyph*> tail = row->RemoveGlyphs(at, row->Count() - at);
    std::vector<LGlyph*> segment;
    for (LGlyph* g : glyphs) {
        segment.push_back(g);
        if (g->IsParagraphEnd()) {
            row->InsertGlyphs(row->Count(), segment);
            segment.clear();
            row = CreateRow(++current);
        }
    }
    row->InsertGlyphs(row->Count(), segment);
    caret_row_ = current;
    caret_index_ = row->Count();
    row->InsertGlyphs(row->Count(), tail);
    return true;
}

void GlyphDocument::SetRowLineGap(int row, int gap) {
    if (LGlyphEditRow* r = Row(row))
        r->SetLineGap(gap);
}

void GlyphDocument::InsertText(std::wstring_view text, bool relayout) {
    std::vector<LGlyph*> glyphs;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
            ++i; // CR LF is one paragraph end
        const wchar_t c = text[i] == L'\n' ? kParagraphEnd : text[i];
        LGlyph* g = LGlyphTChar::Create(c, font_, surface_.dc(), color_, alpha_);
        g->SetBackColor(highlight_);
        glyphs.push_back(g);
    }
    InsertAtCaret(glyphs, false);
    if (relayout)
        Layout();
}

bool GlyphDocument::InsertPicture(Gdiplus::Image* image, const std::wstring& blip_type) {
    LGlyph* picture = LGlyphImage::FromImage(image, blip_type);
    if (!picture)
        return false;
    picture->SetBackColor(highlight_);
    InsertAtCaret({picture}, false);
    Layout();
    return true;
}

bool GlyphDocument::Save(const std::wstring& path, bool protect, const std::string& token) const {
    return WriteRtfFile(path, Glyphs(), protect, token);
}

std::vector<LGlyph*> GlyphDocument::Glyphs() const {
    std::vector<LGlyph*> all;
    for (LGlyphEditRow* row : rows_) {
        all.push_back(row);
        all.insert(all.end(), row->Children().begin(), row->Children().end());
    }
    return all;
}

std::wstring GlyphDocument::GetText() const {
    std::wstring text;
    for (LGlyphEditRow* row : rows_) {
        for (LGlyph* g : row->Children())
            text += g->GetText();
    }
    return text;
}

void GlyphDocument::Layout() {
    float y = kTopMargin;
    for (LGlyphEditRow* row : rows_) {
        Gdiplus::RectF box = row->Box();
        box.X = static_cast<float>(text_indent_);
        box.Width = static_cast<float>(surface_.width());
        row->SetBox(box);
        row->UpdateMetrics({});
        row->MoveSlotTo(y);
        row->Place();
        y += static_cast<float>(row->GetHeight());
    }
    content_height_ = static_cast<int>(y) - kTopMargin;
    const int needed = static_cast<int>(y) + kBottomMargin;
    if (needed >= surface_.height())
        GrowSurface(surface_.width(), needed + 1);
}

void GlyphDocument::GrowSurface(int width, int height) {
    width = std::max(width, surface_.width());
    height = std::max(height, surface_.height());
    if (width == surface_.width() && height == surface_.height())
        return;
    LSurface grown(width, height);
    if (!grown)
        return;
    if (surface_)
        BitBlt(grown.dc(), 0, 0, surface_.width(), surface_.height(), surface_.dc(), 0, 0, SRCCOPY);
    std::swap(surface_, grown);
    for (LGlyphEditRow* row : rows_)
        row->SetSurface(manual_pixels_ ? nullptr : surface_.dc());
}

int GlyphDocument::GlyphCount() const {
    int n = 0;
    for (const LGlyphEditRow* row : rows_)
        n += row->Count();
    return n;
}

int GlyphDocument::PositionToOffset(int row, int index) const {
    int offset = 0;
    for (int r = 0; r < RowCount() && r < row; ++r)
        offset += rows_[static_cast<size_t>(r)]->Count();
    if (const LGlyphEditRow* at = Row(row))
        offset += std::clamp(index, 0, at->Count());
    return offset;
}

std::pair<int, int> GlyphDocument::OffsetToPosition(int offset) const {
    if (rows_.empty())
        return {0, 0};
    offset = std::max(offset, 0);
    for (int r = 0; r < RowCount(); ++r) {
        const int n = rows_[static_cast<size_t>(r)]->Count();
        if (offset < n)
            return {r, offset};
        offset -= n;
    }
    return {RowCount() - 1, rows_.back()->Count()};
}

LGlyph* GlyphDocument::GlyphAt(int offset) const {
    const auto [row, index] = OffsetToPosition(offset);
    const LGlyphEditRow* r = Row(row);
    return r && index < r->Count() ? r->At(index) : nullptr;
}

void GlyphDocument::InsertAt(int offset, const std::vector<LGlyph*>& glyphs) {
    const auto [row, index] = OffsetToPosition(offset);
    // Set directly: the caret's clamping would put the glyphs before a trailing paragraph end.
    caret_row_ = row;
    caret_index_ = index;
    InsertAtCaret(glyphs, false);
}

std::vector<LGlyph*> GlyphDocument::RemoveRange(int offset, int count) {
    std::vector<LGlyph*> taken;
    if (count <= 0)
        return taken;
    auto [row, index] = OffsetToPosition(offset);
    for (int r = row; r < RowCount() && static_cast<int>(taken.size()) < count; ++r) {
        LGlyphEditRow* at = rows_[static_cast<size_t>(r)];
        const int from = r == row ? index : 0;
        std::vector<LGlyph*> part = at->RemoveGlyphs(from, count - static_cast<int>(taken.size()));
        taken.insert(taken.end(), part.begin(), part.end());
    }
    return taken;
}

void GlyphDocument::InsertRow(int index, LGlyphEditRow* row) {
    if (!row || HoldsRow(row))
        return;
    index = std::clamp(index, 0, RowCount());
    row->SetSurface(manual_pixels_ ? nullptr : surface_.dc());
    rows_.insert(rows_.begin() + index, row);
}

LGlyphEditRow* GlyphDocument::TakeRow(int index) {
    if (index < 0 || index >= RowCount())
        return nullptr;
    LGlyphEditRow* row = rows_[static_cast<size_t>(index)];
    rows_.erase(rows_.begin() + index);
    return row;
}

bool GlyphDocument::HoldsRow(const LGlyphEditRow* row) const {
    return std::find(rows_.begin(), rows_.end(), row) != rows_.end();
}

void GlyphDocument::DeleteAll() {
    for (LGlyphEditRow* row : rows_) {
        for (LGlyph* g : row->Children())
            delete g;
        delete row;
    }
    rows_.clear();
    caret_row_ = caret_index_ = 0;
    content_height_ = 0;
}

void GlyphDocument::Paint() {
    if (!surface_)
        return;
    GdiFlush();
    std::memset(surface_.bits(), 0, static_cast<size_t>(surface_.width()) * surface_.height() * 4);
    for (LGlyphEditRow* row : rows_)
        row->Paint();
    GdiFlush();
}

void GlyphDocument::Reflow(const WrapRule& rule) {
    // Rows are kept with the glyph they start with, so line gaps and row icons stay with their text.
    std::vector<LGlyph*> glyphs;
    glyphs.reserve(static_cast<size_t>(GlyphCount()));
    std::unordered_map<const LGlyph*, LGlyphEditRow*> row_of_start;
    std::vector<LGlyphEditRow*> blank_rows;
    LGlyph* caret_glyph = nullptr;
    for (int r = 0; r < RowCount(); ++r) {
        LGlyphEditRow* row = rows_[static_cast<size_t>(r)];
        if (r == caret_row_ && caret_index_ < row->Count())
            caret_glyph = row->At(caret_index_);
        if (row->Count() == 0)
            blank_rows.push_back(row);
        else
            row_of_start[row->At(0)] = row;
        row->MoveGlyphsOut(glyphs);
    }
    const std::vector<LGlyphEditRow*> old_rows = std::move(rows_);
    rows_.clear();
    auto reuse = [&](LGlyphEditRow* row) {
        rows_.push_back(row);
        return row;
    };
    LGlyphEditRow* previous = nullptr;
    const std::vector<size_t> starts = BreakLines(glyphs, rule);
    for (size_t r = 0; r < starts.size(); ++r) {
        const size_t end = r + 1 < starts.size() ? starts[r + 1] : glyphs.size();
        LGlyphEditRow* row = nullptr;
        auto it = row_of_start.find(glyphs[starts[r]]);
        if (it != row_of_start.end()) {
            row = reuse(it->second);
            row_of_start.erase(it);
        } else {
            row = CreateRow(RowCount());
            if (previous)
                row->SetLineGap(previous->LineGap()); // a wrapped part of the paragraph above
        }
        row->SetGlyphsUnmeasured(glyphs.begin() + static_cast<ptrdiff_t>(starts[r]),
                                 glyphs.begin() + static_cast<ptrdiff_t>(end));
        previous = row;
    }
    // A document ending in a paragraph end (or empty) has a blank last row for the caret.
    if (glyphs.empty() || glyphs.back()->IsParagraphEnd()) {
        if (!blank_rows.empty()) {
            reuse(blank_rows.back());
            blank_rows.pop_back();
        } else {
            CreateRow(RowCount());
        }
    }
    const std::unordered_set<const LGlyphEditRow*> kept(rows_.begin(), rows_.end());
    for (LGlyphEditRow* row : old_rows) {
        // A row an undo record still keeps is the record's to delete.
        if (!kept.count(row) && GlyphLiveSet::Instance().Count(row) == 0)
            delete row;
    }
    caret_row_ = std::max(RowCount() - 1, 0);
    caret_index_ = rows_.empty() ? 0 : rows_.back()->Count();
    for (int r = 0; caret_glyph && r < RowCount(); ++r) {
        const auto& children = rows_[static_cast<size_t>(r)]->Children();
        auto at = std::find(children.begin(), children.end(), caret_glyph);
        if (at != children.end()) {
            caret_row_ = r;
            caret_index_ = static_cast<int>(at - children.begin());
        }
    }
    Layout();
}

void GlyphDocument::PaintRowsInto(LSurface& out, const RowsView& v) const {
    const LSurface& s = surface_;
    if (!out || !s || v.right <= v.clip_left || v.bottom <= v.top)
        return;
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, v.alpha, AC_SRC_ALPHA};
    const uint32_t highlight_alpha = static_cast<uint32_t>(v.alpha) << 24;
    for (int r = 0; r < RowCount(); ++r) {
        const LGlyphEditRow* row = Row(r);
        const int row_top = static_cast<int>(row->SlotTop()) - v.scroll_y;
        const int row_height = row->GetHeight();
        if (row_top >= v.bottom)
            break;
        if (row_top + row_height <= v.top)
            continue;
        const int y0 = std::max(row_top, v.top), y1 = std::min(row_top + row_height, v.bottom);
        for (const LGlyph* g : row->Children()) {
            const uint32_t back = g->GetBackColor();
            if (!back)
                continue;
            const int x = static_cast<int>(g->Box().X) - v.scroll_x - g->GetOverhang();
            const int w = static_cast<int>(g->Box().Width) + row->GlyphSpacing() + 1;
            const int hx0 = std::max(x, v.clip_left), hx1 = std::min(x + w, v.right);
            const int hy1 = std::min(row_top + row_height + 1, v.bottom);
            if (hx1 > hx0 && hy1 > y0)
                out.FillRect(hx0, y0, hx1 - hx0, hy1 - y0, (back & 0x00FFFFFF) | highlight_alpha);
        }
        if (!v.char_picture) {
            // Never past the surface: a blend reaching outside its source draws nothing at all.
            const int w = std::min(v.right - v.clip_left, s.width() - v.clip_left - v.scroll_x);
            const int h = std::min(y1, s.height() - v.scroll_y) - y0;
            if (w > 0 && h > 0)
                AlphaBlend(out.dc(), v.clip_left, y0, w, h, s.dc(), v.clip_left + v.scroll_x, y0 + v.scroll_y,
                           w, h, blend);
        } else if (*v.char_picture) {
            const LSurface& pic = *v.char_picture;
            for (const LGlyph* g : row->Children()) {
                if (g->IsParagraphEnd() || !g->IsChar())
                    continue;
                const Gdiplus::RectF& b = g->Box();
                AlphaBlend(out.dc(), static_cast<int>(b.X) - v.scroll_x, static_cast<int>(b.Y) - v.scroll_y,
                           static_cast<int>(b.Width), static_cast<int>(b.Height), pic.dc(), 0, 0, pic.width(),
                           pic.height(), blend);
            }
        }
        if (row->Icon()) {
            const int side = row->IconSize();
            const Gdiplus::RectF anchor = row->Count() ? row->At(0)->Box() : row->Box();
            const int iy =
                static_cast<int>(anchor.Y + (anchor.Height - static_cast<float>(side)) / 2) - v.scroll_y;
            AlphaBlend(out.dc(), static_cast<int>(row->Box().X) - side - kRowIconGap - v.scroll_x, iy, side,
                       side, row->IconSurface(), 0, 0, side, side, blend);
        }
    }
}
