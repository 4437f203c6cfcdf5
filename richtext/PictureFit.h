#pragma once
// Fitting a picture into a square of a given side, as pictures taken from files and from the
// clipboard are: the longer side shrinks to the limit, the other follows, and neither vanishes.
#include <windows.h>

#include <gdiplus.h>

#include <memory>
#include <string>

// The size of a width x height picture whose longer side is at most max_side: that side becomes
// min(side, max_side) and the other is scaled by the same factor, multiplied before divided and
// kept at least 1 (600 x 10 into 32 gives 32 x 1). False, with 0 x 0, for a size or limit below 1.
bool FitPictureSize(int width, int height, int max_side, int* out_w, int* out_h);

// "pngblip" for a name containing "png", else "gifblip" for one containing "gif", else "wmetafile8";
// letters are compared without case.
std::wstring BlipTypeForFileName(const std::wstring& name);

// The picture drawn into a new 32-bit ARGB bitmap of width x height with anti-aliased smoothing;
// null when the picture is not loaded or the size is below 1.
std::unique_ptr<Gdiplus::Bitmap> DrawPictureScaled(Gdiplus::Image& image, int width, int height);
