#include "toolkit/MerlaDraw.h"

#include "app/base/AppPaths.h"
#include "app/base/SysConfig.h"

#include <gdiplus.h>
#include <objidl.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr float kTabStop = 24.0f;
// Text is drawn a second time in this colour; the luminance of what lands gives the coverage.
constexpr uint32_t kKeyColor = 0xFE78FE1E;
constexpr double kGamma = 2.2;
constexpr double kLumR = 0.2973, kLumG = 0.6274, kLumB = 0.0753;
constexpr double kAlphaGain = 1.15;
constexpr int kMaxTextAlpha = 254;
// The highlight box: fill alpha at most a fifth of the theme colour's alpha, and never above 25.
constexpr int kHighlightFillDivisor = 5, kHighlightFillMax = 25;

// Tables of the computed text alpha, built once per process from "dscalecolorvalue" (D):
// a colour channel c is drawn as Down[c] = c * D / 255 and the result scaled back with
// Up[x] = x * 255 / D, so that glyph edges keep their weight on a transparent surface.
struct TextScale {
    int d = SysConfig::kScaleColorMax;
    double lr[256], lg[256], lb[256];
    uint8_t up[256];
    uint8_t down[256];

    TextScale() {
        d = std::clamp(SysConfig::ReadScaleColorValue(), 0, SysConfig::kScaleColorMax);
        for (int i = 0; i < 256; ++i) {
            const double p = std::pow(static_cast<double>(i), kGamma);
            lr[i] = p * kLumR;
            lg[i] = p * kLumG;
            lb[i] = p * kLumB;
            // A stored 0 would divide by zero; everything then scales to 0.
            up[i] = d > 0 ? static_cast<uint8_t>(std::min(255, i * 255 / d)) : 0;
            down[i] = static_cast<uint8_t>(i * d / 255);
        }
    }
};

const TextScale& Scale() {
    static const TextScale scale;
    return scale;
}

Gdiplus::StringAlignment ToAlignment(int a) {
    switch (a) {
    case kAlignCenter:
        return Gdiplus::StringAlignmentCenter;
    case kAlignFar:
        return Gdiplus::StringAlignmentFar;
    default:
        return Gdiplus::StringAlignmentNear;
    }
}

void DrawTextInto(LSurface& s, const Gdiplus::Font& font, const Gdiplus::StringFormat& format,
                  std::wstring_view text, uint32_t argb) {
    auto bitmap = s.MakeBitmap();
    if (!bitmap)
        return;
    Gdiplus::Graphics g(bitmap.get());
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    Gdiplus::SolidBrush brush{Gdiplus::Color(argb)};
    const Gdiplus::RectF box(0, 0, static_cast<float>(s.width()), static_cast<float>(s.height()));
    g.DrawString(text.data(), static_cast<INT>(text.size()), &font, box, &format, &brush);
}

uint32_t Channel(uint32_t p, int shift) {
    return (p >> shift) & 0xFF;
}

} // namespace

int TextScaleColorValue() {
    return Scale().d;
}

std::unique_ptr<Gdiplus::StringFormat> MakeStringFormat(int alignment, int line_alignment) {
    std::unique_ptr<Gdiplus::StringFormat> format(Gdiplus::StringFormat::GenericTypographic()->Clone());
    format->SetFormatFlags(format->GetFormatFlags() | Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
    format->SetAlignment(ToAlignment(alignment));
    format->SetLineAlignment(ToAlignment(line_alignment));
    return format;
}

std::unique_ptr<Gdiplus::StringFormat> MakeTabbedFormat(std::wstring_view text, int alignment,
                                                        int line_alignment) {
    auto format = MakeStringFormat(alignment, line_alignment);
    const auto tabs = std::count(text.begin(), text.end(), L'\t');
    if (tabs > 0) {
        std::vector<Gdiplus::REAL> stops(static_cast<size_t>(tabs), kTabStop);
        format->SetTabStops(0, static_cast<INT>(stops.size()), stops.data());
    }
    return format;
}

LSurface DrawTextSurface(HWND window, const Gdiplus::Font& font, const Gdiplus::StringFormat& format,
                         std::wstring_view text, uint32_t argb, int width, int height) {
    const TextScale& k = Scale();
    const int d = k.d;
    const uint32_t scaled = (static_cast<uint32_t>(k.down[Channel(argb, 24)]) << 24) |
                            (static_cast<uint32_t>(k.down[Channel(argb, 16)]) << 16) |
                            (static_cast<uint32_t>(k.down[Channel(argb, 8)]) << 8) | k.down[Channel(argb, 0)];
    LSurface t = CreateSurface(window, width, height, 0);
    LSurface key = CreateSurface(window, width, height, 0);
    if (!t || !key)
        return t;
    if (text.empty())
        return t;
    DrawTextInto(t, font, format, text, scaled);
    DrawTextInto(key, font, format, text, kKeyColor);
    GdiFlush();
    for (int y = 0; y < height; ++y) {
        uint32_t* tp = t.Row(y);
        const uint32_t* kp = key.Row(y);
        for (int x = 0; x < width; ++x) {
            const uint32_t kpix = kp[x];
            if ((kpix >> 24) == 0)
                continue;
            const int r = std::min<int>(Channel(kpix, 16), d);
            const int g = std::min<int>(Channel(kpix, 8), d);
            const int b = std::min<int>(Channel(kpix, 0), d);
            const double lum = k.lr[r + 1] + k.lg[g + 1] + k.lb[b + 1];
            const int a = std::min(kMaxTextAlpha, static_cast<int>(std::pow(lum, 1.0 / kGamma) * kAlphaGain));
            const uint32_t tpix = (tp[x] & 0x00FFFFFF) | (static_cast<uint32_t>(a) << 24);
            const uint32_t na = k.up[std::min<int>(Channel(tpix, 24), d)];
            // Colour channels never exceed the alpha: the pixel stays a valid premultiplied one.
            auto ch = [&](int shift) {
                return std::min<uint32_t>(k.up[std::min<int>(Channel(tpix, shift), d)], na);
            };
            tp[x] = (na << 24) | (ch(16) << 16) | (ch(8) << 8) | ch(0);
        }
    }
    return t;
}

LSurface DrawTextSurface(HWND window, const Gdiplus::StringFormat& format, std::wstring_view text,
                         uint32_t argb, int width, int height) {
    auto font = CreateUiFont(kUiFontSize);
    return DrawTextSurface(window, *font, format, text, argb, width, height);
}

TextSize MeasureUiText(std::wstring_view text, int alignment) {
    auto font = CreateUiFont(kUiFontSize);
    auto format = MakeStringFormat(alignment, kAlignNear);
    HDC dc = GetDC(nullptr);
    TextSize size;
    {
        Gdiplus::Graphics g(dc);
        g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
        Gdiplus::RectF bounds;
        const Gdiplus::PointF origin(0, 0);
        if (g.MeasureString(text.data(), static_cast<INT>(text.size()), font.get(), origin, format.get(),
                            &bounds) == Gdiplus::Ok) {
            size.width = bounds.Width;
            size.height = bounds.Height;
        }
    }
    ReleaseDC(nullptr, dc);
    return size;
}

std::wstring ResPicture(const std::wstring& name) {
    return ResDir() + name;
}

std::unique_ptr<Gdiplus::Bitmap> LoadPictureCopy(const std::wstring& path, int max_side) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return nullptr;
    Gdiplus::Bitmap file(path.c_str());
    if (file.GetLastStatus() != Gdiplus::Ok || file.GetWidth() == 0 || file.GetHeight() == 0)
        return nullptr;
    INT w = static_cast<INT>(file.GetWidth()), h = static_cast<INT>(file.GetHeight());
    if (max_side > 0) {
        w = std::min(w, max_side);
        h = std::min(h, max_side);
    }
    auto copy = std::make_unique<Gdiplus::Bitmap>(w, h, PixelFormat32bppPARGB);
    if (copy->GetLastStatus() != Gdiplus::Ok)
        return nullptr;
    Gdiplus::Graphics g(copy.get());
    g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    if (g.DrawImage(&file, 0, 0, w, h) != Gdiplus::Ok)
        return nullptr;
    return copy;
}

namespace {

bool EncoderClsid(const wchar_t* mime, CLSID& clsid) {
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0)
        return false;
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(codecs[i].MimeType, mime) == 0) {
            clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

} // namespace

bool EncodePng(Gdiplus::Bitmap& bitmap, std::string& bytes) {
    CLSID clsid;
    if (!EncoderClsid(L"image/png", clsid))
        return false;
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) || !stream)
        return false;
    bool ok = bitmap.Save(stream, &clsid, nullptr) == Gdiplus::Ok;
    STATSTG stat{};
    if (ok && SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME))) {
        bytes.resize(static_cast<size_t>(stat.cbSize.QuadPart));
        LARGE_INTEGER zero{};
        ULONG read = 0;
        ok = SUCCEEDED(stream->Seek(zero, STREAM_SEEK_SET, nullptr)) &&
             SUCCEEDED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read)) &&
             read == bytes.size();
    } else {
        ok = false;
    }
    stream->Release();
    return ok;
}

bool PictureFileSize(const std::wstring& path, int& width, int& height) {
    if (path.empty() || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    Gdiplus::Bitmap picture(path.c_str());
    if (picture.GetLastStatus() != Gdiplus::Ok || picture.GetWidth() == 0 || picture.GetHeight() == 0)
        return false;
    width = static_cast<int>(picture.GetWidth());
    height = static_cast<int>(picture.GetHeight());
    return true;
}

bool DrawPictureFile(const std::wstring& path, LSurface& target, int x, int y, int width, int height) {
    if (path.empty() || width <= 0 || height <= 0 ||
        GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    Gdiplus::Bitmap picture(path.c_str());
    if (picture.GetLastStatus() != Gdiplus::Ok || picture.GetWidth() == 0)
        return false;
    LSurface scaled = CreateSurface(nullptr, width, height, 0);
    if (!scaled)
        return false;
    {
        auto bitmap = scaled.MakeBitmap();
        Gdiplus::Graphics g(bitmap.get());
        g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        g.DrawImage(&picture, Gdiplus::Rect(0, 0, width, height), 0, 0, static_cast<INT>(picture.GetWidth()),
                    static_cast<INT>(picture.GetHeight()), Gdiplus::UnitPixel);
    }
    return target.BlendFrom(scaled, x, y);
}

void FillFramedRect(LSurface& surface, int x, int y, int width, int height, uint32_t argb, int fill_alpha) {
    if (width <= 0 || height <= 0)
        return;
    const uint32_t fill = (static_cast<uint32_t>(std::clamp(fill_alpha, 0, 255)) << 24) | (argb & 0x00FFFFFF);
    surface.FillRect(x, y, width, height, fill);
    FrameRect(surface, x, y, width, height, argb);
}

void FrameRect(LSurface& surface, int x, int y, int width, int height, uint32_t argb) {
    if (width <= 0 || height <= 0)
        return;
    // A 1-pixel outline of (width - 1) x (height - 1), as a pen rectangle draws it.
    surface.FillRect(x, y, width, 1, argb);
    surface.FillRect(x, y + height - 1, width, 1, argb);
    surface.FillRect(x, y, 1, height, argb);
    surface.FillRect(x + width - 1, y, 1, height, argb);
}

void DrawHighlightBox(HWND window, LSurface& target, int x, int y, int width, int height) {
    LSurface box = CreateSurface(window, width, height, 0);
    if (!box)
        return;
    const int theme_alpha = static_cast<int>(kThemeColor >> 24);
    FillFramedRect(box, 0, 0, width, height, kThemeColor,
                   std::min(theme_alpha / kHighlightFillDivisor, kHighlightFillMax));
    BlendWithAlpha(target, box, x, y, theme_alpha);
}

bool BlendWithAlpha(LSurface& dst, const LSurface& src, int x, int y, int constant_alpha) {
    if (!dst || !src)
        return false;
    const int alpha = std::clamp(constant_alpha, 0, 255);
    if (alpha == 255)
        return dst.BlendFrom(src, x, y);
    if (alpha == 0)
        return true;
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha), AC_SRC_ALPHA};
    return AlphaBlend(dst.dc(), x, y, src.width(), src.height(), src.dc(), 0, 0, src.width(), src.height(),
                      blend) != FALSE;
}
