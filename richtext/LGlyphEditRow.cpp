#include "richtext/LGlyphEditRow.h"

#include "richtext/LGlyphImage.h"
#include "richtext/RtfFileWriter.h"

#include <algorithm>

LGlyphEditRow::~LGlyphEditRow() {
    delete icon_;
}

void LGlyphEditRow::Offset(float dx, float dy) {
    const int x = static_cast<int>(ink_.X), y = static_cast<int>(ink_.Y);
    const int w = static_cast<int>(ink_.Width), h = static_cast<int>(ink_.Height);
    const int idx = static_cast<int>(dx), idy = static_cast<int>(dy);
    if (surface_ && w > 0 && h > 0 && (idx || idy)) {
        BitBlt(surface_, x + idx, y + idy, w, h, surface_, x, y, SRCCOPY);
        if (idy > 0)
            ClearSurfaceRect(surface_, x, y, w, std::min(idy, h));
    }
    LGlyphComposite::Offset(dx, dy);
}

void LGlyphEditRow::AddChild(LGlyph* glyph) {
    InsertGlyphs(Count(), {glyph});
}

void LGlyphEditRow::InsertGlyphs(int index, const std::vector<LGlyph*>& glyphs) {
    index = std::clamp(index, 0, Count());
    children_.insert(children_.begin() + index, glyphs.begin(), glyphs.end());
    UpdateMetrics(glyphs);
}

std::vector<LGlyph*> LGlyphEditRow::RemoveGlyphs(int index, int count) {
    index = std::clamp(index, 0, Count());
    count = std::clamp(count, 0, Count() - index);
    std::vector<LGlyph*> taken(children_.begin() + index, children_.begin() + index + count);
    children_.erase(children_.begin() + index, children_.begin() + index + count);
    return taken;
}

void LGlyphEditRow::MoveGlyphsOut(std::vector<LGlyph*>& into) {
    into.insert(into.end(), children_.begin(), children_.end());
    children_.clear();
}

void LGlyphEditRow::SetGlyphsUnmeasured(std::vector<LGlyph*>::const_iterator first,
                                        std::vector<LGlyph*>::const_iterator last) {
    children_.assign(first, last);
}

void LGlyphEditRow::UpdateMetrics(const std::vector<LGlyph*>& added) {
    int tallest = 0, ascent = 0;
    auto consider = [&](const LGlyph* g) {
        if (g->IsParagraphEnd())
            return;
        tallest = std::max(tallest, g->GetHeight());
        ascent = std::max(ascent, g->GetAscent());
    };
    for (const LGlyph* g : children_)
        consider(g);
    for (const LGlyph* g : added)
        consider(g);

    if (ascent != baseline_ && baseline_ > 0) {
        SendToSubscribers(kRowHeightChanged, reinterpret_cast<WPARAM>(this),
                          static_cast<LPARAM>(tallest - static_cast<int>(box_.Height)));
    }
    if (ascent > 0 && ascent != baseline_) {
        const int diff = ascent - baseline_;
        const int x = static_cast<int>(box_.X), y = static_cast<int>(box_.Y);
        const int w = static_cast<int>(box_.Width), h = static_cast<int>(box_.Height);
        if (surface_ && baseline_ > 0 && w > 0 && h > 0) {
            BitBlt(surface_, x, y + diff, w, h, surface_, x, y, SRCCOPY);
            if (diff > 0)
                ClearSurfaceRect(surface_, x, y, w, diff);
        }
        for (LGlyph* g : children_) {
            const float gy = box_.Y + static_cast<float>(ascent - g->GetAscent());
            Gdiplus::RectF b = g->Box(), i = g->InkBox();
            b.Y = gy;
            i.Y = gy;
            g->SetBox(b);
            g->SetInkBox(i);
        }
    }
    if (ascent > 0)
        baseline_ = ascent;
    if (tallest > 0) {
        box_.Height = static_cast<float>(tallest);
        ink_.Height = static_cast<float>(tallest + line_gap_);
    }
}

void LGlyphEditRow::MoveSlotTo(float y) {
    box_.Y = y + static_cast<float>(line_gap_);
    ink_.X = 0;
    ink_.Y = y;
    ink_.Width = box_.X + box_.Width;
    ink_.Height = static_cast<float>(GetHeight());
    hit_ = {static_cast<int>(box_.X), static_cast<int>(y), static_cast<int>(box_.Width), GetHeight()};
}

void LGlyphEditRow::Place() {
    float pen = box_.X;
    const int slot_top = static_cast<int>(SlotTop());
    const int height = GetHeight();
    for (LGlyph* g : children_) {
        float advance = g->Box().Width;
        if (g->IsTab()) {
            const int offset = static_cast<int>(pen - box_.X);
            advance = static_cast<float>(kTabStop - offset % kTabStop);
        }
        const float y = box_.Y + static_cast<float>(baseline_ - g->GetAscent());
        g->SetBox(pen, y, advance, g->Box().Height);
        g->SetInkBox(pen - static_cast<float>(g->GetOverhang()), y, g->InkBox().Width, g->InkBox().Height);
        g->SetHitBox(static_cast<int>(pen), slot_top, static_cast<int>(advance) + glyph_spacing_, height);
        pen += advance + static_cast<float>(glyph_spacing_);
    }
    content_width_ = static_cast<int>(pen - box_.X);
}

void LGlyphEditRow::SetCaretIndex(int index) {
    const int n = Count();
    index = std::clamp(index, 0, n);
    if (index == n && n > 0 && children_.back()->IsParagraphEnd())
        index = n - 1;
    caret_index_ = index;
}

bool LGlyphEditRow::IsBlank() const {
    return children_.empty() || (children_.size() == 1 && children_[0]->IsParagraphEnd());
}

RowHit LGlyphEditRow::HitTest(int x, int y, bool caret_mode) const {
    RowHit hit;
    if (IsBlank()) {
        hit.caret = hit_;
        return hit;
    }
    const Gdiplus::Rect first = children_.front()->GetHitBox();
    const Gdiplus::Rect last = children_.back()->GetHitBox();
    if (y < first.Y)
        y = first.Y + first.Height / 2;
    else if (y >= last.Y + last.Height)
        y = last.Y + last.Height / 2;

    int lo = -1, hi = -1;
    for (int i = 0; i < Count(); ++i) {
        const Gdiplus::Rect r = children_[static_cast<size_t>(i)]->GetHitBox();
        if (y >= r.Y && y < r.Y + r.Height) {
            if (lo < 0)
                lo = i;
            hi = i;
        }
    }
    if (lo < 0)
        lo = hi = 0;
    auto caret_of = [&](int index, int caret_x) {
        const Gdiplus::RectF& b = children_[static_cast<size_t>(index)]->Box();
        return Gdiplus::Rect(caret_x, static_cast<int>(b.Y) - line_gap_, static_cast<int>(b.Width),
                             static_cast<int>(b.Height) + line_gap_);
    };
    const Gdiplus::Rect lo_box = children_[static_cast<size_t>(lo)]->GetHitBox();
    const Gdiplus::Rect hi_box = children_[static_cast<size_t>(hi)]->GetHitBox();
    if (x < lo_box.X) {
        hit.index = lo;
        hit.caret = caret_of(lo, lo_box.X);
        return hit;
    }
    if (x >= hi_box.X + hi_box.Width) {
        hit.index = children_[static_cast<size_t>(hi)]->IsParagraphEnd() ? hi : hi + 1;
        hit.caret = caret_of(hi, hi_box.X + hi_box.Width + 1);
        return hit;
    }
    for (int i = lo; i <= hi; ++i) {
        const Gdiplus::Rect r = children_[static_cast<size_t>(i)]->GetHitBox();
        if (x >= r.X && x < r.X + r.Width) {
            const bool right_half = caret_mode && x >= r.X + r.Width / 2.0;
            hit.index = right_half ? i + 1 : i;
            const int shown = std::min(hit.index, hi);
            const Gdiplus::Rect s = children_[static_cast<size_t>(shown)]->GetHitBox();
            hit.caret = caret_of(shown, hit.index > hi ? s.X + s.Width : s.X);
            return hit;
        }
    }
    hit.index = hi;
    hit.caret = caret_of(hi, hi_box.X);
    return hit;
}

void LGlyphEditRow::Paint() const {
    if (!surface_)
        return;
    for (LGlyph* g : children_)
        g->DrawSelf(surface_, nullptr);
}

void LGlyphEditRow::SetIcon(LGlyphImage* icon) {
    delete icon_;
    icon_ = icon;
    icon_surface_.Reset();
    if (!icon_)
        return;
    const auto side = static_cast<float>(icon_size_);
    icon_surface_.Create(icon_size_, icon_size_);
    icon_->SetBox(0, 0, side, side);
    icon_->SetInkBox(0, 0, side, side);
    icon_->Draw(icon_surface_.dc(), icon_surface_.bits(), Gdiplus::RectF(0, 0, side, side));
}

void LGlyphEditRow::WriteRtf(CRtfWriter& writer) const {
    if (icon_)
        WritePictureGroup(writer, *icon_, true);
}
