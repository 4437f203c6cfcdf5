#include "richtext/FontRegistry.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kFirstProbeSize = 5;
constexpr int kLastProbeSize = 999;

struct Metrics {
    int cell_height = 0, ascent = 0, line_spacing = 0;
};

// Metrics of interned fonts; a font never goes away, so its pointer is a safe key.
std::unordered_map<const Gdiplus::Font*, Metrics>& MetricsCache() {
    static auto* cache = new std::unordered_map<const Gdiplus::Font*, Metrics>;
    return *cache;
}

Metrics Measure(const Gdiplus::Font* font) {
    Metrics m;
    if (!font)
        return m;
    Gdiplus::FontFamily family;
    if (font->GetFamily(&family) != Gdiplus::Ok)
        return m;
    const INT style = font->GetStyle();
    const double em = family.GetEmHeight(style);
    if (em <= 0)
        return m;
    const double size = font->GetSize();
    m.cell_height =
        static_cast<int>((family.GetCellAscent(style) + family.GetCellDescent(style)) * size / em) + 1;
    m.ascent = static_cast<int>(family.GetCellAscent(style) * size / em) + 1;
    m.line_spacing = static_cast<int>(family.GetLineSpacing(style) * size / em) + 1;
    return m;
}

const Metrics& MetricsOf(const Gdiplus::Font* font) {
    auto& cache = MetricsCache();
    auto it = cache.find(font);
    if (it == cache.end())
        it = cache.emplace(font, Measure(font)).first;
    return it->second;
}

// The font GDI+ makes for the family; null when it cannot.
std::unique_ptr<Gdiplus::Font> MakeFont(const wchar_t* family, int size, int style, Gdiplus::Unit unit) {
    auto font = std::make_unique<Gdiplus::Font>(family, static_cast<Gdiplus::REAL>(size), style, unit);
    Gdiplus::FontFamily probe;
    if (font->GetLastStatus() != Gdiplus::Ok || font->GetFamily(&probe) != Gdiplus::Ok)
        return nullptr;
    return font;
}

// A family this machine lacks is drawn with the default family at the size and style asked for.
std::unique_ptr<Gdiplus::Font> MakeDrawableFont(const std::wstring& family, int size, int style,
                                                Gdiplus::Unit unit) {
    if (auto font = MakeFont(family.c_str(), size, style, unit))
        return font;
    return MakeFont(kDefaultFontFamily, size, style, unit);
}

std::wstring MakeKey(const std::wstring& family, int size, int style, int unit) {
    wchar_t tail[48];
    std::swprintf(tail, 48, L"_%d_%d_%d", size, style, unit);
    return family + tail;
}

// Absolute LOGFONT height of a font as the desktop would draw it.
LONG LogFontHeight(const std::wstring& family, int size, int style, Gdiplus::Unit unit) {
    const std::unique_ptr<Gdiplus::Font> font = MakeDrawableFont(family, size, style, unit);
    if (!font)
        return 0;
    HDC screen = GetDC(nullptr);
    LOGFONTW lf = {};
    {
        Gdiplus::Graphics g(screen);
        font->GetLogFontW(&g, &lf);
    }
    ReleaseDC(nullptr, screen);
    return std::labs(lf.lfHeight);
}

int ConvertSize(int size, const std::wstring& family, int style, Gdiplus::Unit from, Gdiplus::Unit to,
                std::map<int, int>& cache) {
    auto it = cache.find(size);
    if (it != cache.end())
        return it->second;
    const LONG target = LogFontHeight(family, size, style, from);
    if (target <= 0)
        return size;
    for (int i = kFirstProbeSize; i <= kLastProbeSize; ++i) {
        if (LogFontHeight(family, i, style, to) >= target) {
            cache[size] = i;
            return i;
        }
    }
    // Nothing qualifies (a size beyond the probes): remembered too, or every run of a pasted document
    // at that size would make a thousand fonts again.
    cache[size] = size;
    return size;
}

} // namespace

FontRegistry& FontRegistry::Instance() {
    // Never destroyed: fonts must not outlive GDI+, and the registry lives as long as the program.
    static FontRegistry* registry = new FontRegistry;
    return *registry;
}

Gdiplus::Font* FontRegistry::Fallback() {
    if (!fallback_.font) {
        fallback_.font = new Gdiplus::Font(kDefaultFontFamily, kDefaultFontPixels, Gdiplus::FontStyleRegular,
                                           Gdiplus::UnitPixel);
        fallback_.family = kDefaultFontFamily;
        fallback_.size = kDefaultFontPixels;
        by_font_[fallback_.font] = &fallback_;
    }
    return fallback_.font;
}

Gdiplus::Font* FontRegistry::Get(const std::wstring& family, int size, int style, Gdiplus::Unit unit) {
    const std::wstring key = MakeKey(family, size, style, unit);
    auto it = fonts_.find(key);
    if (it != fonts_.end())
        return it->second.font;
    if (family.empty() || size <= 0)
        return Fallback();
    // The entry keeps the family asked for even when another one draws: saving writes it back.
    std::unique_ptr<Gdiplus::Font> font = MakeDrawableFont(family, size, style, unit);
    if (!font)
        return Fallback();
    FontEntry& entry = fonts_[key];
    entry = {font.release(), family, size, style, unit};
    by_font_[entry.font] = &entry;
    return entry.font;
}

const FontEntry* FontRegistry::Find(const Gdiplus::Font* font) const {
    auto it = by_font_.find(font);
    return it == by_font_.end() ? nullptr : it->second;
}

std::vector<const FontEntry*> FontRegistry::Entries() const {
    std::vector<const FontEntry*> all;
    all.reserve(fonts_.size());
    for (const auto& [key, entry] : fonts_)
        all.push_back(&entry);
    return all;
}

FontEntry DescribeFont(const Gdiplus::Font* font) {
    if (const FontEntry* known = FontRegistry::Instance().Find(font))
        return *known;
    FontEntry e;
    if (!font)
        return e;
    Gdiplus::FontFamily family;
    WCHAR name[LF_FACESIZE] = {};
    if (font->GetFamily(&family) == Gdiplus::Ok)
        family.GetFamilyName(name);
    e.family = name;
    e.size = static_cast<int>(font->GetSize());
    e.style = font->GetStyle();
    e.unit = font->GetUnit();
    return e;
}

int CellHeight(const Gdiplus::Font* font) {
    return MetricsOf(font).cell_height;
}
int AscentPx(const Gdiplus::Font* font) {
    return MetricsOf(font).ascent;
}
int LineSpacingPx(const Gdiplus::Font* font) {
    return MetricsOf(font).line_spacing;
}

int PixelToPointSize(int pixels, const std::wstring& family, int style) {
    static auto* cache = new std::map<int, int>;
    return ConvertSize(pixels, family, style, Gdiplus::UnitPixel, Gdiplus::UnitPoint, *cache);
}

int PointToPixelSize(int points, const std::wstring& family, int style) {
    static auto* cache = new std::map<int, int>;
    return ConvertSize(points, family, style, Gdiplus::UnitPoint, Gdiplus::UnitPixel, *cache);
}
