#pragma once
// Rich text is rows of glyph objects: one per character, one per picture. A glyph keeps its layout
// box on the document surface (pixels, y down), the ink box its painting touches, an integer hit
// box, and its own opacity. Every glyph registers itself in the GlyphLiveSet while it exists.
#include <windows.h>

#include <gdiplus.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class CRtfWriter;

constexpr UINT kRowHeightChanged = 10012;         // wParam the row, lParam the height difference
constexpr int kPixelFormat32bppARGB = 0x26200A;   // GDI+ PixelFormat32bppARGB
constexpr uint32_t kDefaultTextArgb = 0xFF000000; // opaque black

// ApplyFont flag bits.
enum ApplyFontFlags : int {
    kTakeFamily = 0x1,
    kTakeSize = 0x2,
    kSetBold = 0x8,
    kClearBold = 0x10,
    kSetItalic = 0x20,
    kClearItalic = 0x40,
    kSetUnderline = 0x80,
    kClearUnderline = 0x100,
    kSetStrikeout = 0x200,
    kClearStrikeout = 0x400,
    kGrowSize = 0x800,
    kShrinkSize = 0x1000,
};

class LGlyph {
public:
    LGlyph();
    virtual ~LGlyph();
    LGlyph(const LGlyph&) = delete;
    LGlyph& operator=(const LGlyph&) = delete;

    // Paints into rect of the surface behind dc; bits are the surface's pixels when known.
    virtual void Draw(HDC dc, void* bits, const Gdiplus::RectF& rect) {}
    // Paints at its own place (the ink box).
    virtual void DrawSelf(HDC dc, void* bits) {}
    virtual void SetBox(const Gdiplus::RectF& box) { box_ = box; }
    virtual void SetBox(float x, float y, float width, float height) {
        SetBox(Gdiplus::RectF(x, y, width, height));
    }
    virtual void SetInkBox(const Gdiplus::RectF& box) { ink_ = box; }
    virtual void SetInkBox(float x, float y, float width, float height) { ink_ = {x, y, width, height}; }
    virtual void SetHitBox(int x, int y, int width, int height) { hit_ = {x, y, width, height}; }
    virtual Gdiplus::Rect GetHitBox() const { return hit_; }
    virtual int GetHeight() const { return static_cast<int>(box_.Height); }
    virtual LGlyph* Clone() const { return nullptr; }
    virtual void Offset(float dx, float dy);
    virtual void ApplyFont(Gdiplus::Font* font, int reserved, HDC dc, int flags, int delta) {}
    virtual void SetColor(uint32_t argb) {}
    virtual uint32_t GetColor() const { return kDefaultTextArgb; }
    virtual void SetBackColor(uint32_t argb) {}
    virtual uint32_t GetBackColor() const { return 0; }
    virtual void SetAlpha(int alpha) { alpha_ = alpha; }
    virtual int GetOverhang() const { return overhang_; }
    virtual int GetAscent() const { return 0; }
    virtual void SetBaseline(int baseline) {}
    virtual std::wstring GetText() const { return {}; }
    // Not owned: an interned font (the base answers the default font).
    virtual Gdiplus::Font* GetFont() const;
    virtual int GetAlpha() const { return alpha_; }
    virtual bool IsParagraphEnd() const { return false; }
    virtual bool IsTab() const { return false; }
    virtual bool IsChar() const { return false; }
    virtual bool IsImage() const { return false; }
    virtual bool IsComposite() const { return false; }
    virtual std::pair<int, int> GetNaturalSize() const { return {natural_width_, natural_height_}; }
    virtual int GetPixelFormat() const { return kPixelFormat32bppARGB; }
    virtual int GetLineGap() const { return 0; }
    virtual std::wstring GetBlipType() const { return {}; }
    // Appends two lowercase hex digits per byte of the picture data; false when there is none.
    virtual bool GetHexData(std::string& out) const { return false; }
    virtual void WriteRtf(CRtfWriter& writer) const {}

    const Gdiplus::RectF& Box() const { return box_; }
    const Gdiplus::RectF& InkBox() const { return ink_; }
    int Serial() const { return serial_; }
    bool Masked() const { return mask_; }
    void SetMasked(bool masked) { mask_ = masked; }

    // The toolkit's subscription mechanism: windows told of a notification code.
    void Subscribe(UINT code, HWND window) { subscriptions_.emplace(code, window); }
    bool SendToSubscribers(UINT code, WPARAM wparam, LPARAM lparam) const;

protected:
    // Copies what every clone shares: boxes, overhang, alpha, mask flag.
    void CopyCommon(const LGlyph& from);

    Gdiplus::RectF box_;
    Gdiplus::RectF ink_;
    Gdiplus::Rect hit_;
    int alpha_ = 255;
    int natural_width_ = 0, natural_height_ = 0;
    int overhang_ = 0;
    int serial_ = 0;
    bool mask_ = false;
    std::multimap<UINT, HWND> subscriptions_;
};

// Rounds half up, as every pixel measure here does.
inline int RoundHalfUp(double v) {
    return static_cast<int>(std::floor(v + 0.5));
}
