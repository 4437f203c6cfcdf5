#pragma once
// One row (line) of a rich edit. Its glyphs stand on a common baseline; the row's slot on the
// document surface is its line gap followed by its box (the tallest glyph):
//
//   slot top     -+  line gap (7 per line-height step)
//   box.Y        -+  glyphs: y = box.Y + baseline - ascent
//   box.Y + box.Height
//
// Rows paint into the edit's one document surface and move their pixels there with BitBlt.
#include "toolkit/surface/LSurface.h"
#include "richtext/LGlyphComposite.h"

class LGlyphImage;

struct RowHit {
    int index = 0;
    Gdiplus::Rect caret; // the chosen glyph's box raised by the line gap
};

class LGlyphEditRow : public LGlyphComposite {
public:
    static constexpr int kDefaultLineGap = 7;
    static constexpr int kDefaultIconSize = 20;
    static constexpr int kTabStop = 32;

    LGlyphEditRow() = default;
    ~LGlyphEditRow() override;

    int GetHeight() const override { return static_cast<int>(box_.Height) + line_gap_; }
    void Offset(float dx, float dy) override;
    int GetAscent() const override { return baseline_; }
    void SetBaseline(int baseline) override { baseline_ = baseline; }
    int GetLineGap() const override { return line_gap_; }
    void WriteRtf(CRtfWriter& writer) const override;
    void AddChild(LGlyph* glyph) override;

    int LineGap() const { return line_gap_; }
    void SetLineGap(int gap) { line_gap_ = gap < 0 ? 0 : gap; }
    void SetSurface(HDC surface) { surface_ = surface; }
    HDC Surface() const { return surface_; }
    int GlyphSpacing() const { return glyph_spacing_; }
    void SetGlyphSpacing(int spacing) { glyph_spacing_ = spacing; }
    int ContentWidth() const { return content_width_; }

    // Inserts glyphs at index (not owned) and updates the row metrics with them.
    void InsertGlyphs(int index, const std::vector<LGlyph*>& glyphs);
    // Takes count glyphs out from index and answers them.
    std::vector<LGlyph*> RemoveGlyphs(int index, int count);
    // Reflow's pair: all glyphs out onto the end of `into`, and a whole new run in. The metrics are
    // left to the layout that follows, which computes them once for every row.
    void MoveGlyphsOut(std::vector<LGlyph*>& into);
    void SetGlyphsUnmeasured(std::vector<LGlyph*>::const_iterator first,
                             std::vector<LGlyph*>::const_iterator last);
    // Baseline and height from the glyphs (paragraph ends ignored); raises kRowHeightChanged to the
    // subscribers when a painted row changes its baseline, and moves the row's pixels.
    void UpdateMetrics(const std::vector<LGlyph*>& added);
    // Places the glyphs left to right from the row's x; tabs stop every 32 pixels from there.
    void Place();
    // Puts the slot top at y (the box follows below the line gap).
    void MoveSlotTo(float y);
    float SlotTop() const { return box_.Y - static_cast<float>(line_gap_); }

    int CaretIndex() const { return caret_index_; }
    // Kept within 0..count, and never behind a trailing paragraph end.
    void SetCaretIndex(int index);
    RowHit HitTest(int x, int y, bool caret_mode) const;
    // True when the row holds nothing but, at most, its paragraph end.
    bool IsBlank() const;

    // Draws every glyph at its place on the surface.
    void Paint() const;

    // Takes ownership of a picture made from a picture or from RTF data; null removes the icon.
    void SetIcon(LGlyphImage* icon);
    void RemoveIcon() { SetIcon(nullptr); }
    LGlyphImage* Icon() const { return icon_; }
    int IconSize() const { return icon_size_; }
    void SetIconSize(int size) { icon_size_ = size > 0 ? size : kDefaultIconSize; }
    HDC IconSurface() const { return icon_surface_.dc(); }

private:
    HDC surface_ = nullptr; // the edit's document surface, not owned
    int content_width_ = 0;
    int caret_index_ = 0;
    int glyph_spacing_ = 0;
    int line_gap_ = kDefaultLineGap;
    int baseline_ = 0;
    int icon_size_ = kDefaultIconSize;
    LSurface icon_surface_;
    LGlyphImage* icon_ = nullptr; // owned
};
