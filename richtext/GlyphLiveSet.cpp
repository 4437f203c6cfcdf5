#include "richtext/GlyphLiveSet.h"

#include "richtext/LGlyph.h"

#include <vector>

GlyphLiveSet& GlyphLiveSet::Instance() {
    static GlyphLiveSet* set = new GlyphLiveSet;
    return *set;
}

int GlyphLiveSet::Count(const LGlyph* glyph) const {
    auto it = counts_.find(const_cast<LGlyph*>(glyph));
    return it == counts_.end() ? 0 : it->second;
}

int GlyphLiveSet::AddRef(LGlyph* glyph) {
    auto it = counts_.find(glyph);
    if (it == counts_.end())
        return 0;
    return ++it->second;
}

int GlyphLiveSet::Release(LGlyph* glyph) {
    auto it = counts_.find(glyph);
    if (it == counts_.end())
        return 0;
    if (it->second > 0)
        --it->second;
    return it->second;
}

void GlyphLiveSet::DeleteCounted() {
    std::vector<LGlyph*> counted;
    for (const auto& [glyph, count] : counts_) {
        if (count > 0)
            counted.push_back(glyph);
    }
    for (LGlyph* glyph : counted)
        delete glyph;
}
