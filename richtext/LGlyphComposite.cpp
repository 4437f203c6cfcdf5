#include "richtext/LGlyphComposite.h"

void LGlyphComposite::Offset(float dx, float dy) {
    LGlyph::Offset(dx, dy);
    for (LGlyph* child : children_)
        child->Offset(dx, dy);
}
