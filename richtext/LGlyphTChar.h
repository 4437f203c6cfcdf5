#pragma once
// One UTF-16 character with its own font, colour, highlight and opacity. 13 ends a paragraph (no
// width, paints nothing); 9 is a tab (32 wide here; the row gives it the distance to the next stop).
#include "richtext/LGlyph.h"

constexpr wchar_t kParagraphEnd = 13;
constexpr wchar_t kTab = 9;
constexpr int kTabWidth = 32;

class LGlyphTChar : public LGlyph {
public:
    // A measured character glyph. dc may be null (the desktop's measures are used).
    static LGlyphTChar* Create(wchar_t ch, Gdiplus::Font* font, HDC dc, uint32_t color, int alpha);

    void Draw(HDC dc, void* bits, const Gdiplus::RectF& rect) override;
    void DrawSelf(HDC dc, void* bits) override;
    LGlyph* Clone() const override;
    void ApplyFont(Gdiplus::Font* font, int reserved, HDC dc, int flags, int delta) override;
    void SetColor(uint32_t argb) override;
    uint32_t GetColor() const override { return color_; }
    void SetBackColor(uint32_t argb) override;
    uint32_t GetBackColor() const override { return back_color_; }
    int GetAscent() const override { return ascent_; }
    std::wstring GetText() const override { return std::wstring(1, ch_); }
    Gdiplus::Font* GetFont() const override { return font_; }
    bool IsParagraphEnd() const override { return ch_ == kParagraphEnd; }
    bool IsTab() const override { return ch_ == kTab; }
    bool IsChar() const override { return true; }

    wchar_t Char() const { return ch_; }
    int LineSpacing() const { return line_spacing_; }

private:
    LGlyphTChar() = default;
    void Measure();

    Gdiplus::Font* font_ = nullptr; // interned, not owned
    uint32_t color_ = kDefaultTextArgb;
    uint32_t back_color_ = 0;
    wchar_t ch_ = 0;
    int ascent_ = 0;
    int line_spacing_ = 0;
};
