#include "toolkit/UiLook.h"

#include <gdiplus.h>

namespace {

std::unique_ptr<Gdiplus::FontFamily> UiFamilyObject() {
    auto family = std::make_unique<Gdiplus::FontFamily>(UiFontFamily().c_str());
    if (family->GetLastStatus() != Gdiplus::Ok || !family->IsAvailable())
        family.reset(Gdiplus::FontFamily::GenericSansSerif()->Clone());
    return family;
}

} // namespace

const std::wstring& UiFontFamily() {
    static const std::wstring family = L"宋体";
    return family;
}

std::unique_ptr<Gdiplus::Font> CreateUiFont(float size) {
    auto family = UiFamilyObject();
    return std::make_unique<Gdiplus::Font>(family.get(), size, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
}

int UiLineHeight() {
    static int height = 0;
    if (height == 0) {
        auto family = UiFamilyObject();
        const int style = Gdiplus::FontStyleRegular;
        const UINT16 em = family->GetEmHeight(style);
        const UINT16 cell = family->GetCellAscent(style) + family->GetCellDescent(style);
        // Without GDI+ metrics a line is at least the font size.
        height = em ? static_cast<int>(kUiFontSize * cell / em) + 1 : static_cast<int>(kUiFontSize) + 1;
    }
    return height;
}
