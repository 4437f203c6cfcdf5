#pragma once
// The common look of the toolkit: theme colour, default text colour and the UI font.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Gdiplus {
class Font;
class FontFamily;
} // namespace Gdiplus

inline constexpr uint32_t kThemeColor = 0xFFFB5A45;
inline constexpr uint32_t kDefaultTextColor = 0xFF000000;
inline constexpr float kUiFontSize = 13.0f;

// "宋体": the family every control text is drawn in.
const std::wstring& UiFontFamily();
// The UI font at size pixels, regular; falls back to the generic sans-serif family when the UI
// family is not installed (GDI+ would otherwise measure every text as 0 wide).
std::unique_ptr<Gdiplus::Font> CreateUiFont(float size = kUiFontSize);
// Height of one text line of the UI font at 13 pixels: ascent + descent scaled to the size, + 1.
int UiLineHeight();
