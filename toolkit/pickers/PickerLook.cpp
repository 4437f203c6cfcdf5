#include "toolkit/pickers/PickerLook.h"

namespace {

constexpr uint32_t kNearlyOpaqueAlpha = 0xF8;
constexpr uint32_t kRowHighlightAlphaOpaqueTheme = 123;

} // namespace

bool IsFamilyInstalled(const std::wstring& family) {
    if (family.empty() || family.size() >= LF_FACESIZE)
        return false;
    Gdiplus::FontFamily f(family.c_str());
    return f.GetLastStatus() == Gdiplus::Ok && f.IsAvailable();
}

std::vector<std::wstring> InstalledFamilies() {
    std::vector<std::wstring> names;
    Gdiplus::InstalledFontCollection collection;
    const INT count = collection.GetFamilyCount();
    if (count <= 0)
        return names;
    std::vector<Gdiplus::FontFamily> families(static_cast<size_t>(count));
    INT found = 0;
    if (collection.GetFamilies(count, families.data(), &found) != Gdiplus::Ok)
        return names;
    for (INT i = 0; i < found; ++i) {
        WCHAR name[LF_FACESIZE] = {};
        if (families[static_cast<size_t>(i)].GetFamilyName(name) == Gdiplus::Ok && name[0])
            names.emplace_back(name);
    }
    return names;
}

std::unique_ptr<Gdiplus::Font> MakeFamilyFont(const std::wstring& family, float size, int style,
                                              Gdiplus::Unit unit) {
    if (IsFamilyInstalled(family)) {
        auto font = std::make_unique<Gdiplus::Font>(family.c_str(), size, style, unit);
        if (font->GetLastStatus() == Gdiplus::Ok)
            return font;
    }
    Gdiplus::FontFamily ui;
    CreateUiFont()->GetFamily(&ui);
    return std::make_unique<Gdiplus::Font>(&ui, size, style, unit);
}

void DrawCaptionBand(HWND window, LSurface& target, const Gdiplus::Font& font, int line_alignment,
                     const std::wstring& text, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0)
        return;
    target.FillRect(x, y, width, height, kBandColor);
    const int tw = width - kBandTextIndent;
    if (tw <= 0 || text.empty())
        return;
    auto format = MakeStringFormat(kAlignNear, line_alignment);
    LSurface ink = DrawTextSurface(window, font, *format, text, kDefaultTextColor, tw, height);
    BlendWithAlpha(target, ink, x + kBandTextIndent, y, static_cast<int>(kDefaultTextColor >> 24));
}

uint32_t RowHighlightColor() {
    const uint32_t alpha = kThemeColor >> 24;
    const uint32_t row_alpha = alpha >= kNearlyOpaqueAlpha ? kRowHighlightAlphaOpaqueTheme : alpha / 2;
    return (row_alpha << 24) | (kThemeColor & 0x00FFFFFF);
}

void BlendFill(LSurface& target, int x, int y, int width, int height, uint32_t argb) {
    if (!target || width <= 0 || height <= 0)
        return;
    auto bitmap = target.MakeBitmap();
    if (!bitmap)
        return;
    Gdiplus::Graphics g(bitmap.get());
    Gdiplus::SolidBrush brush{Gdiplus::Color(argb)};
    g.FillRectangle(&brush, x, y, width, height);
}
