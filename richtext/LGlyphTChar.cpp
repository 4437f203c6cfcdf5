#include "richtext/LGlyphTChar.h"

#include "richtext/ColorRegistry.h"
#include "toolkit/surface/LSurface.h"
#include "richtext/FontRegistry.h"

#include <algorithm>
#include <cstring>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace {

constexpr INT kMeasureTrailingSpaces = 0x800;
constexpr int kInkPadding = 2;

struct CharMeasure {
    int advance = 0;
    int height = 0;
    int ascent = 0;
    int line_spacing = 0;
    int overhang = 0;
    int ink_width = 0;
};

struct MeasureKey {
    const Gdiplus::Font* font;
    wchar_t ch;
    bool operator==(const MeasureKey& o) const { return font == o.font && ch == o.ch; }
};
struct MeasureKeyHash {
    size_t operator()(const MeasureKey& k) const {
        return std::hash<const void*>()(k.font) ^ (static_cast<size_t>(k.ch) * 0x9E3779B97F4A7C15ull);
    }
};

// The pixels GDI+ drew for one (font, character, colour, size) cell: a note's text repeats its
// characters, and drawing a character costs a bitmap, a graphics object and a text call.
struct InkKey {
    const Gdiplus::Font* font;
    wchar_t ch;
    uint32_t color;
    int width, height, overhang;
    bool operator==(const InkKey& o) const {
        return font == o.font && ch == o.ch && color == o.color && width == o.width && height == o.height &&
               overhang == o.overhang;
    }
};
struct InkKeyHash {
    size_t operator()(const InkKey& k) const {
        size_t h = std::hash<const void*>()(k.font);
        for (size_t v :
             {static_cast<size_t>(k.ch), static_cast<size_t>(k.color), static_cast<size_t>(k.width),
              static_cast<size_t>(k.height), static_cast<size_t>(k.overhang)})
            h = h * 0x100000001B3ull ^ v;
        return h;
    }
};
// Bounded: a document in many colours and sizes starts the cache again rather than growing it.
constexpr size_t kInkCacheMaxEntries = 4096;
thread_local std::unordered_map<InkKey, std::vector<uint32_t>, InkKeyHash> t_ink_cache;

// Interned fonts never go away, so measures are kept per (font, character) for the whole run.
std::unordered_map<MeasureKey, CharMeasure, MeasureKeyHash>& MeasureCache() {
    static auto* cache = new std::unordered_map<MeasureKey, CharMeasure, MeasureKeyHash>;
    return *cache;
}

Gdiplus::StringFormat* TypographicFormat() {
    static Gdiplus::StringFormat* format = [] {
        auto* f = Gdiplus::StringFormat::GenericTypographic()->Clone();
        f->SetFormatFlags(f->GetFormatFlags() | kMeasureTrailingSpaces);
        return f;
    }();
    return format;
}

CharMeasure MeasureChar(wchar_t ch, Gdiplus::Font* font, HDC dc) {
    CharMeasure m;
    m.height = CellHeight(font);
    m.line_spacing = LineSpacingPx(font);
    m.ascent = AscentPx(font);
    const wchar_t text[2] = {ch, 0};
    HDC screen = dc ? nullptr : GetDC(nullptr);
    {
        Gdiplus::Graphics g(dc ? dc : screen);
        g.SetPageUnit(Gdiplus::UnitPixel);
        Gdiplus::RectF bounds;
        g.MeasureString(text, 1, font, Gdiplus::PointF(0, 0), TypographicFormat(), &bounds);
        m.advance = RoundHalfUp(bounds.Width);
    }
    if (screen)
        ReleaseDC(nullptr, screen);

    Gdiplus::FontFamily family;
    Gdiplus::RectF ink;
    if (font->GetFamily(&family) == Gdiplus::Ok) {
        float em_size = font->GetSize();
        if (font->GetUnit() == Gdiplus::UnitPoint)
            em_size = em_size * 96.0f / 72.0f;
        Gdiplus::GraphicsPath path;
        path.AddString(text, 1, &family, font->GetStyle(), em_size, Gdiplus::PointF(0, 0),
                       TypographicFormat());
        path.GetBounds(&ink);
    }
    m.overhang = ink.X < 0 ? -RoundHalfUp(ink.X) : 0;
    if (m.overhang < 0)
        m.overhang = 0;
    const double ink_left = ink.X > 0 ? ink.X : m.overhang;
    m.ink_width = RoundHalfUp(std::max<double>(m.advance, ink_left + ink.Width)) + kInkPadding;
    if (ch == kParagraphEnd)
        m.advance = 0;
    if (ch == kTab) {
        m.overhang = 0;
        m.ink_width = kTabWidth;
        m.advance = kTabWidth;
    }
    return m;
}

} // namespace

LGlyphTChar* LGlyphTChar::Create(wchar_t ch, Gdiplus::Font* font, HDC dc, uint32_t color, int alpha) {
    auto* glyph = new LGlyphTChar;
    glyph->ch_ = ch;
    glyph->font_ = font ? font : FontRegistry::Instance().Default();
    glyph->color_ = color;
    glyph->alpha_ = alpha;
    ColorRegistry::Instance().Add(color);
    glyph->Measure();
    return glyph;
}

void LGlyphTChar::Measure() {
    auto& cache = MeasureCache();
    const MeasureKey key{font_, ch_};
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, MeasureChar(ch_, font_, nullptr)).first;
    const CharMeasure& m = it->second;
    ascent_ = m.ascent;
    line_spacing_ = m.line_spacing;
    overhang_ = m.overhang;
    box_.Width = static_cast<float>(m.advance);
    box_.Height = static_cast<float>(m.height);
    ink_.X = box_.X - static_cast<float>(overhang_);
    ink_.Y = box_.Y;
    ink_.Width = static_cast<float>(m.ink_width);
    ink_.Height = static_cast<float>(m.height);
}

void LGlyphTChar::Draw(HDC dc, void* bits, const Gdiplus::RectF& rect) {
    if (ch_ == kTab || ch_ == kParagraphEnd || !dc)
        return;
    const int width = static_cast<int>(std::ceil(rect.Width));
    const int height = std::max(static_cast<int>(std::ceil(rect.Height)), line_spacing_);
    if (width <= 0 || height <= 0)
        return;
    // One scratch surface per thread, grown as needed: a surface per glyph cost more than the drawing.
    thread_local LSurface scratch;
    if (scratch.width() < width || scratch.height() < height)
        scratch.Create(std::max(width, scratch.width()), std::max(height, scratch.height()));
    if (!scratch)
        return;
    GdiFlush();
    const size_t stride = static_cast<size_t>(scratch.width());
    const wchar_t shown = mask_ ? L'*' : ch_;
    const InkKey key{font_, shown, color_, width, height, overhang_};
    auto cached = t_ink_cache.find(key);
    if (cached == t_ink_cache.end()) {
        for (int y = 0; y < height; ++y)
            std::memset(scratch.bits() + stride * static_cast<size_t>(y), 0, static_cast<size_t>(width) * 4);
        {
            Gdiplus::Bitmap bitmap(width, height, static_cast<INT>(stride * 4), PixelFormat32bppPARGB,
                                   reinterpret_cast<BYTE*>(scratch.bits()));
            Gdiplus::Graphics g(&bitmap);
            g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
            Gdiplus::SolidBrush brush{Gdiplus::Color(color_)};
            const wchar_t text[2] = {shown, 0};
            g.DrawString(text, 1, font_, Gdiplus::PointF(static_cast<float>(overhang_), 0),
                         TypographicFormat(), &brush);
        }
        if (t_ink_cache.size() >= kInkCacheMaxEntries)
            t_ink_cache.clear();
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
        for (int y = 0; y < height; ++y)
            std::memcpy(pixels.data() + static_cast<size_t>(y) * width, scratch.bits() + stride * y,
                        static_cast<size_t>(width) * 4);
        t_ink_cache.emplace(key, std::move(pixels));
    } else {
        const std::vector<uint32_t>& pixels = cached->second;
        for (int y = 0; y < height; ++y)
            std::memcpy(scratch.bits() + stride * y, pixels.data() + static_cast<size_t>(y) * width,
                        static_cast<size_t>(width) * 4);
    }
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, static_cast<BYTE>(std::clamp(alpha_, 0, 255)), AC_SRC_ALPHA};
    AlphaBlend(dc, static_cast<int>(rect.X), static_cast<int>(rect.Y), width, height, scratch.dc(), 0, 0,
               width, height, blend);
}

void LGlyphTChar::DrawSelf(HDC dc, void* bits) {
    Draw(dc, bits, ink_);
}

LGlyph* LGlyphTChar::Clone() const {
    auto* copy = new LGlyphTChar;
    copy->CopyCommon(*this);
    copy->ch_ = ch_;
    copy->font_ = font_;
    copy->color_ = color_;
    copy->back_color_ = back_color_;
    copy->ascent_ = ascent_;
    copy->line_spacing_ = line_spacing_;
    return copy;
}

void LGlyphTChar::ApplyFont(Gdiplus::Font* font, int reserved, HDC dc, int flags, int delta) {
    if (flags == 0) {
        if (font)
            font_ = font;
        Measure();
        return;
    }
    const FontEntry current = DescribeFont(font_);
    const FontEntry given = font ? DescribeFont(font) : current;
    std::wstring family = flags & kTakeFamily ? given.family : current.family;
    int size = flags & kTakeSize ? given.size : current.size;
    int style = current.style;
    // Each pair sets first, then clears: both together leave the bit cleared.
    const std::pair<int, int> pairs[] = {{kSetBold, Gdiplus::FontStyleBold},
                                         {kSetItalic, Gdiplus::FontStyleItalic},
                                         {kSetUnderline, Gdiplus::FontStyleUnderline},
                                         {kSetStrikeout, Gdiplus::FontStyleStrikeout}};
    for (const auto& [set_bit, style_bit] : pairs) {
        if (flags & set_bit)
            style |= style_bit;
        if (flags & (set_bit << 1))
            style &= ~style_bit;
    }
    if (flags & kGrowSize)
        size = std::clamp(size + delta, kMinFontPixels, kMaxFontPixels);
    if (flags & kShrinkSize)
        size = std::clamp(size - delta, kMinFontPixels, kMaxFontPixels);
    size = std::clamp(size, kMinFontPixels, kMaxFontPixels);
    font_ = FontRegistry::Instance().Get(family, size, style, current.unit);
    Measure();
}

void LGlyphTChar::SetColor(uint32_t argb) {
    color_ = argb;
    ColorRegistry::Instance().Add(argb);
}

void LGlyphTChar::SetBackColor(uint32_t argb) {
    back_color_ = argb;
    if (argb)
        ColorRegistry::Instance().Add(argb);
}
