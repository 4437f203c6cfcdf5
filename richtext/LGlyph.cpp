#include "richtext/LGlyph.h"

#include "richtext/FontRegistry.h"
#include "richtext/GlyphLiveSet.h"

namespace {
int g_serial = 0;
}

LGlyph::LGlyph() : serial_(++g_serial) {
    GlyphLiveSet::Instance().Add(this);
}

LGlyph::~LGlyph() {
    GlyphLiveSet::Instance().Remove(this);
}

void LGlyph::Offset(float dx, float dy) {
    box_.X += dx;
    box_.Y += dy;
    ink_.X += dx;
    ink_.Y += dy;
}

Gdiplus::Font* LGlyph::GetFont() const {
    return FontRegistry::Instance().Default();
}

bool LGlyph::SendToSubscribers(UINT code, WPARAM wparam, LPARAM lparam) const {
    auto [first, last] = subscriptions_.equal_range(code);
    if (first == last)
        return false;
    bool all = true;
    for (auto it = first; it != last; ++it)
        all = SendMessageW(it->second, code, wparam, lparam) != 0 && all;
    return all;
}

void LGlyph::CopyCommon(const LGlyph& from) {
    box_ = from.box_;
    ink_ = from.ink_;
    overhang_ = from.overhang_;
    alpha_ = from.alpha_;
    mask_ = from.mask_;
}
