#include "richtext/PictureFit.h"

#include "richtext/LGlyphImage.h"
#include "store/xml/Encoding.h"

#include <algorithm>
#include <cstdint>

bool FitPictureSize(int width, int height, int max_side, int* out_w, int* out_h) {
    int w = 0, h = 0;
    const bool ok = width > 0 && height > 0 && max_side > 0;
    if (ok) {
        // 64 bits: side times limit overflows 32 bits for large pictures.
        if (width < height) {
            h = std::min(height, max_side);
            w = static_cast<int>(static_cast<int64_t>(width) * h / height);
        } else {
            w = std::min(width, max_side);
            h = static_cast<int>(static_cast<int64_t>(height) * w / width);
        }
        w = std::max(w, 1);
        h = std::max(h, 1);
    }
    if (out_w)
        *out_w = w;
    if (out_h)
        *out_h = h;
    return ok;
}

std::wstring BlipTypeForFileName(const std::wstring& name) {
    const std::wstring lower = AsciiLower(name);
    if (lower.find(L"png") != std::wstring::npos)
        return kBlipPng;
    if (lower.find(L"gif") != std::wstring::npos)
        return kBlipGif;
    return kBlipMetafile;
}

std::unique_ptr<Gdiplus::Bitmap> DrawPictureScaled(Gdiplus::Image& image, int width, int height) {
    if (width < 1 || height < 1 || image.GetLastStatus() != Gdiplus::Ok || image.GetWidth() == 0 ||
        image.GetHeight() == 0)
        return nullptr;
    auto bitmap = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
    if (bitmap->GetLastStatus() != Gdiplus::Ok)
        return nullptr;
    Gdiplus::Status drawn = Gdiplus::GenericError;
    {
        Gdiplus::Graphics g(bitmap.get());
        g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        drawn =
            g.DrawImage(&image, Gdiplus::Rect(0, 0, width, height), 0, 0, static_cast<INT>(image.GetWidth()),
                        static_cast<INT>(image.GetHeight()), Gdiplus::UnitPixel);
    }
    if (drawn != Gdiplus::Ok)
        return nullptr;
    return bitmap;
}
