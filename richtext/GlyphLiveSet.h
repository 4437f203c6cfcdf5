#pragma once
// Live glyphs with the number of undo records that keep each one. UI thread only; not locked.
#include <cstddef>
#include <unordered_map>

class LGlyph;

class GlyphLiveSet {
public:
    static GlyphLiveSet& Instance();
    void Add(LGlyph* glyph) { counts_.emplace(glyph, 0); }
    void Remove(LGlyph* glyph) { counts_.erase(glyph); }
    bool IsAlive(const LGlyph* glyph) const { return counts_.count(const_cast<LGlyph*>(glyph)) != 0; }
    int Count(const LGlyph* glyph) const;
    int AddRef(LGlyph* glyph);
    // Lowers the count and answers what remains. At 0 the caller deletes the glyph unless the
    // document still holds it (only the edit knows that).
    int Release(LGlyph* glyph);
    size_t Size() const { return counts_.size(); }
    // At shutdown: deletes every glyph a record still counts.
    void DeleteCounted();

private:
    std::unordered_map<LGlyph*, int> counts_;
};
