#pragma once
// The look the pickers share: fonts of a named family with a fallback, the installed families, the
// caption bands and the fill of hovered and selected rows.
#include "toolkit/MerlaDraw.h"

#include <gdiplus.h>

#include <memory>
#include <string>
#include <vector>

inline constexpr uint32_t kBandColor = 0xFFF0F2F5;
inline constexpr int kBandTextIndent = 7;

// True when GDI+ can make the family (an unknown or empty name is false).
bool IsFamilyInstalled(const std::wstring& family);
// The family names of the installed fonts, in the order the platform's collection gives them.
std::vector<std::wstring> InstalledFamilies();
// A font of the family; a family GDI+ cannot make is replaced by the UI font's family.
std::unique_ptr<Gdiplus::Font> MakeFamilyFont(const std::wstring& family, float size, int style,
                                              Gdiplus::Unit unit);

// A band of the caption colour across (x, y, width, height) with the text near, in the font.
void DrawCaptionBand(HWND window, LSurface& target, const Gdiplus::Font& font, int line_alignment,
                     const std::wstring& text, int x, int y, int width, int height);
// Hovered and selected rows: the theme colour at half its alpha, or 123 for a nearly opaque theme.
uint32_t RowHighlightColor();
// Blends a rectangle of the colour over what the surface holds.
void BlendFill(LSurface& target, int x, int y, int width, int height, uint32_t argb);
