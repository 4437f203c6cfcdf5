#pragma once
// Drawing text and pictures onto per-pixel-alpha surfaces in the application's look: the string
// formats, text with computed alpha, scaled pictures and the highlight box.
#include "toolkit/surface/LSurface.h"
#include "toolkit/UiLook.h"

#include <gdiplus.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Alignments of the string formats.
enum MerlaAlign : int { kAlignNear = 0, kAlignCenter = 1, kAlignFar = 2 };

// A clone of the generic typographic format, measuring trailing spaces, with the two alignments.
std::unique_ptr<Gdiplus::StringFormat> MakeStringFormat(int alignment, int line_alignment);
// MakeStringFormat plus one 24-pixel tab stop for every tab character of the text.
std::unique_ptr<Gdiplus::StringFormat> MakeTabbedFormat(std::wstring_view text, int alignment,
                                                        int line_alignment);

// The text drawn into a new width x height surface whose alpha is computed from the coverage of the
// glyphs. Callers blend it with the alpha byte of argb as constant alpha (BlendWithAlpha).
LSurface DrawTextSurface(HWND window, const Gdiplus::Font& font, const Gdiplus::StringFormat& format,
                         std::wstring_view text, uint32_t argb, int width, int height);
// The same in the UI font at 13 pixels.
LSurface DrawTextSurface(HWND window, const Gdiplus::StringFormat& format, std::wstring_view text,
                         uint32_t argb, int width, int height);
// "dscalecolorvalue" as the text drawing uses it (read once per process, 0..245).
int TextScaleColorValue();

struct TextSize {
    float width = 0, height = 0;
};
// Measures the text in the UI font with a format of the alignment, in pixels.
TextSize MeasureUiText(std::wstring_view text, int alignment);

// Draws the whole picture file scaled into (x, y, width, height) of the target; a missing or
// unloadable file draws nothing and answers false.
bool DrawPictureFile(const std::wstring& path, LSurface& target, int x, int y, int width, int height);
// Width and height of a picture file; false when it does not load.
bool PictureFileSize(const std::wstring& path, int& width, int& height);
// A picture file decoded into memory of its own (premultiplied), so the file stays free to be
// replaced or deleted; sides beyond max_side (when > 0) are cut. Null when it does not load.
std::unique_ptr<Gdiplus::Bitmap> LoadPictureCopy(const std::wstring& path, int max_side = 0);
// The PNG bytes of a bitmap, encoded in memory so a file can be written in one atomic step.
bool EncodePng(Gdiplus::Bitmap& bitmap, std::string& bytes);
// Full path of a picture of the program's pictures folder.
std::wstring ResPicture(const std::wstring& name);

// Fills the rectangle with the colour's RGB at fill_alpha and outlines it in the full colour.
void FillFramedRect(LSurface& surface, int x, int y, int width, int height, uint32_t argb, int fill_alpha);
// Only the outline, leaving what lies inside as it is.
void FrameRect(LSurface& surface, int x, int y, int width, int height, uint32_t argb);
// The hover/press look: a framed box in the theme colour, blended with the theme colour's alpha.
void DrawHighlightBox(HWND window, LSurface& target, int x, int y, int width, int height);
// Blends src onto dst at (x, y) with per-pixel alpha and a constant alpha on top.
bool BlendWithAlpha(LSurface& dst, const LSurface& src, int x, int y, int constant_alpha);
