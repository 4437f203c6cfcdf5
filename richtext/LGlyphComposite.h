#pragma once
// A glyph holding an ordered list of child glyphs. The list is owned, the children are not: the
// document (or an undo record) decides when a glyph dies.
#include "richtext/LGlyph.h"

class LGlyphComposite : public LGlyph {
public:
    LGlyphComposite() = default;

    void Offset(float dx, float dy) override;
    bool IsComposite() const override { return true; }
    virtual void AddChild(LGlyph* glyph) { children_.push_back(glyph); }

    const std::vector<LGlyph*>& Children() const { return children_; }
    int Count() const { return static_cast<int>(children_.size()); }
    LGlyph* At(int index) const { return children_[static_cast<size_t>(index)]; }

protected:
    std::vector<LGlyph*> children_;
};
