#pragma once
// Where rows break. A paragraph end closes its row. With wrapping on, a glyph stays on the current
// row while the row is empty or while
//     origin + pen after the glyph + its ink excess (ink width - advance, when positive) < limit
// where origin is the left padding + text indent + the edit's left in its parent, and limit the wrap
// limit in the parent's client coordinates; otherwise it begins a new row.
#include <cstddef>
#include <vector>

class LGlyph;

struct WrapRule {
    bool wrap = false;
    int origin = 0;
    int limit = 0;
    int glyph_spacing = 0;
};

// Index of the first glyph of every row (the first is always 0; none for no glyphs).
std::vector<size_t> BreakLines(const std::vector<LGlyph*>& glyphs, const WrapRule& rule);
