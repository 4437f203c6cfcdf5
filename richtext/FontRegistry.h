#pragma once
// Every font a glyph uses, interned once per (family, size, style, unit) and never released: glyphs
// point at them without owning them. Also the metrics and the pixel/point conversions built on them.
#include <windows.h>

#include <gdiplus.h>

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

inline constexpr wchar_t kDefaultFontFamily[] = L"宋体";
constexpr int kDefaultFontPixels = 13;
constexpr int kMinFontPixels = 5;
constexpr int kMaxFontPixels = 1024;

struct FontEntry {
    Gdiplus::Font* font = nullptr; // interned, not owned by anyone
    std::wstring family;
    int size = 0;
    int style = 0; // Gdiplus::FontStyle bits: 1 bold, 2 italic, 4 underline, 8 strikeout
    Gdiplus::Unit unit = Gdiplus::UnitPixel;
};

class FontRegistry {
public:
    static FontRegistry& Instance();

    // The interned font. A family GDI+ cannot make is drawn with the default family, registered under
    // the name, size and style asked for; only when even that fails, the default family at 13 pixels
    // (not registered).
    Gdiplus::Font* Get(const std::wstring& family, int size, int style,
                       Gdiplus::Unit unit = Gdiplus::UnitPixel);
    Gdiplus::Font* Default() {
        return Get(kDefaultFontFamily, kDefaultFontPixels, Gdiplus::FontStyleRegular);
    }
    // The parameters a font was made with; null for a font that did not come from here.
    const FontEntry* Find(const Gdiplus::Font* font) const;
    // Registered fonts in registry order (the RTF font table).
    std::vector<const FontEntry*> Entries() const;

private:
    FontRegistry() = default;
    Gdiplus::Font* Fallback();

    std::map<std::wstring, FontEntry> fonts_; // key "%s_%d_%d_%d"
    std::unordered_map<const Gdiplus::Font*, const FontEntry*> by_font_;
    FontEntry fallback_;
};

// Family, whole size, style and unit of any font (registered or not).
FontEntry DescribeFont(const Gdiplus::Font* font);

int CellHeight(const Gdiplus::Font* font);
int AscentPx(const Gdiplus::Font* font);
int LineSpacingPx(const Gdiplus::Font* font);

// Whole point size whose font is at least as tall as the pixel font; cached by pixel size.
int PixelToPointSize(int pixels, const std::wstring& family, int style);
// Whole pixel size whose font is at least as tall as the point font; cached by point size.
int PointToPixelSize(int points, const std::wstring& family, int style);
