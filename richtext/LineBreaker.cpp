#include "richtext/LineBreaker.h"

#include "richtext/LGlyph.h"
#include "richtext/LGlyphEditRow.h"

std::vector<size_t> BreakLines(const std::vector<LGlyph*>& glyphs, const WrapRule& rule) {
    std::vector<size_t> starts;
    if (glyphs.empty())
        return starts;
    starts.push_back(0);
    int pen = 0;
    size_t row_start = 0;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const LGlyph* g = glyphs[i];
        if (i > 0 && glyphs[i - 1]->IsParagraphEnd()) {
            starts.push_back(i);
            row_start = i;
            pen = 0;
        }
        auto advance_at = [&](int at) {
            return g->IsTab() ? LGlyphEditRow::kTabStop - at % LGlyphEditRow::kTabStop
                              : static_cast<int>(g->Box().Width);
        };
        int after = pen + advance_at(pen) + rule.glyph_spacing;
        // A paragraph end stays with the text it ends: it has no width to wrap.
        if (rule.wrap && i > row_start && !g->IsParagraphEnd()) {
            const int excess = static_cast<int>(g->InkBox().Width - g->Box().Width);
            if (!(rule.origin + after + (excess > 0 ? excess : 0) < rule.limit)) {
                starts.push_back(i);
                row_start = i;
                pen = 0;
                after = advance_at(0) + rule.glyph_spacing;
            }
        }
        pen = after;
    }
    return starts;
}
