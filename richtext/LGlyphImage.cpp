#include "richtext/LGlyphImage.h"

#include "app/base/AppPaths.h"
#include "app/base/UniqueStamp.h"
#include "richtext/ColorRegistry.h"
#include "toolkit/surface/LSurface.h"
#include "richtext/ImageFileRefs.h"
#include "store/xml/FileBytes.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr int kDataFileStampSuffix = 91;
constexpr int kEmfStampSuffix = 89;
constexpr int kTwipsPerInch = 1440;
constexpr int kScreenDpi = 96;
constexpr int kBaselineLift = 3; // a picture stands this far below the text baseline
// Larger display sides are taken as this: a picture is rendered into a bitmap of that size.
constexpr int kMaxDisplaySide = 8192;
// A metafile with less than its header (18 bytes), one record and the end record (6 bytes) holds
// no picture: Wine's GDI+ answers such an empty metafile.
constexpr UINT kMinMetafileBytes = 18 + 6 + 6;
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeader = 22;

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::wstring WriteDataFile(std::string_view bytes) {
    if (bytes.empty())
        return {};
    const std::wstring folder = TempImageDir();
    if (folder.empty())
        return {};
    const std::wstring path = folder + MakeUniqueStamp(kDataFileStampSuffix);
    if (!WriteFileAtomic(path, bytes))
        return {};
    return path;
}

// The 32-bit ARGB pixels of any picture, rows top down.
bool LockArgb(Gdiplus::Image* image, std::string& out) {
    const UINT w = image->GetWidth(), h = image->GetHeight();
    if (w == 0 || h == 0)
        return false;
    std::unique_ptr<Gdiplus::Bitmap> drawn;
    Gdiplus::Bitmap* bitmap = nullptr;
    if (image->GetType() == Gdiplus::ImageTypeBitmap) {
        bitmap = static_cast<Gdiplus::Bitmap*>(image);
    } else {
        drawn = std::make_unique<Gdiplus::Bitmap>(w, h, PixelFormat32bppARGB);
        Gdiplus::Graphics g(drawn.get());
        g.DrawImage(image, 0, 0, w, h);
        bitmap = drawn.get();
    }
    Gdiplus::Rect rect(0, 0, static_cast<INT>(w), static_cast<INT>(h));
    Gdiplus::BitmapData data;
    if (bitmap->LockBits(&rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return false;
    out.resize(static_cast<size_t>(w) * h * 4);
    for (UINT y = 0; y < h; ++y) {
        const auto* row = static_cast<const char*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
        std::copy(row, row + w * 4, out.data() + static_cast<size_t>(y) * w * 4);
    }
    bitmap->UnlockBits(&data);
    return true;
}

// Records the picture as an EMF+ dual metafile and converts that to Windows metafile bits.
bool MetafileBits(Gdiplus::Image* image, std::string& out) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n > MAX_PATH)
        return false;
    const std::wstring path = std::wstring(temp) + MakeUniqueStamp(kEmfStampSuffix) + L".emf";
    HDC screen = GetDC(nullptr);
    {
        Gdiplus::Metafile recording(path.c_str(), screen, Gdiplus::RectF(), Gdiplus::MetafileFrameUnitGdi,
                                    Gdiplus::EmfTypeEmfPlusDual);
        Gdiplus::Graphics g(&recording);
        g.DrawImage(image, 0, 0, image->GetWidth(), image->GetHeight());
    }
    ReleaseDC(nullptr, screen);
    bool ok = false;
    {
        Gdiplus::Metafile played(path.c_str());
        HENHMETAFILE emf = played.GetHENHMETAFILE();
        if (emf) {
            const UINT size = Gdiplus::Metafile::EmfToWmfBits(emf, 0, nullptr, MM_ANISOTROPIC);
            if (size >= kMinMetafileBytes) {
                out.resize(size);
                ok = Gdiplus::Metafile::EmfToWmfBits(emf, size, reinterpret_cast<LPBYTE>(out.data()),
                                                     MM_ANISOTROPIC) == size;
            }
            DeleteEnhMetaFile(emf);
        }
    }
    DeleteFileW(path.c_str());
    return ok;
}

// Plays Windows metafile bits into a bitmap of the given size. GDI leaves the alpha byte alone, so
// the picture is played on black and on white: what both agree on is opaque.
Gdiplus::Bitmap* RenderMetafile(const std::string& bytes, int width, int height) {
    if (width <= 0 || height <= 0 || bytes.size() < kMinMetafileBytes)
        return nullptr;
    size_t skip = 0;
    uint32_t key = 0;
    std::copy(bytes.data(), bytes.data() + 4, reinterpret_cast<char*>(&key));
    if (key == kPlaceableKey)
        skip = kPlaceableHeader;
    if (bytes.size() <= skip)
        return nullptr;
    METAFILEPICT pict = {MM_ANISOTROPIC, width * 2540 / kScreenDpi, height * 2540 / kScreenDpi, nullptr};
    HENHMETAFILE emf = SetWinMetaFileBits(static_cast<UINT>(bytes.size() - skip),
                                          reinterpret_cast<const BYTE*>(bytes.data() + skip), nullptr, &pict);
    if (!emf)
        return nullptr;
    LSurface on_black(width, height), on_white(width, height);
    Gdiplus::Bitmap* result = nullptr;
    if (on_black && on_white) {
        RECT all = {0, 0, width, height};
        PatBlt(on_white.dc(), 0, 0, width, height, WHITENESS);
        PlayEnhMetaFile(on_black.dc(), emf, &all);
        PlayEnhMetaFile(on_white.dc(), emf, &all);
        GdiFlush();
        result = new Gdiplus::Bitmap(width, height, PixelFormat32bppPARGB);
        Gdiplus::Rect rect(0, 0, width, height);
        Gdiplus::BitmapData data;
        if (result->LockBits(&rect, Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB, &data) ==
            Gdiplus::Ok) {
            for (int y = 0; y < height; ++y) {
                auto* out = reinterpret_cast<uint32_t*>(static_cast<char*>(data.Scan0) + y * data.Stride);
                const uint32_t* black = on_black.bits() + static_cast<size_t>(y) * width;
                const uint32_t* white = on_white.bits() + static_cast<size_t>(y) * width;
                for (int x = 0; x < width; ++x) {
                    const int b = black[x] & 0xFF, w = white[x] & 0xFF;
                    const uint32_t alpha = static_cast<uint32_t>(255 - std::clamp(w - b, 0, 255));
                    out[x] = (alpha << 24) | (black[x] & 0xFFFFFF);
                }
            }
            result->UnlockBits(&data);
        }
    }
    DeleteEnhMetaFile(emf);
    return result;
}

int TwipsToPixels(int twips) {
    return std::clamp(RoundHalfUp(static_cast<double>(twips) * kScreenDpi / kTwipsPerInch), 0,
                      kMaxDisplaySide);
}

} // namespace

void AppendHex(std::string& out, std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    const size_t at = out.size();
    out.resize(at + bytes.size() * 2);
    char* p = out.data() + at;
    for (unsigned char b : bytes) {
        *p++ = kDigits[b >> 4];
        *p++ = kDigits[b & 15];
    }
}

std::wstring MakeImageDataFile(std::string_view hex) {
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    int high = -1;
    for (char c : hex) {
        const int v = HexValue(c);
        if (v < 0)
            continue;
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(static_cast<char>(high * 16 + v));
            high = -1;
        }
    }
    return WriteDataFile(bytes);
}

LGlyphImage* LGlyphImage::FromImage(Gdiplus::Image* image, const std::wstring& blip_type) {
    if (!image || image->GetLastStatus() != Gdiplus::Ok)
        return nullptr;
    auto* glyph = new LGlyphImage;
    glyph->natural_width_ = static_cast<int>(image->GetWidth());
    glyph->natural_height_ = static_cast<int>(image->GetHeight());
    glyph->pixel_format_ = static_cast<int>(image->GetPixelFormat());
    glyph->blip_type_ = blip_type;
    std::string bytes;
    if (blip_type == kBlipMetafile && !MetafileBits(image, bytes)) {
        glyph->blip_type_ = kBlipPng;
        bytes.clear();
    }
    if (glyph->blip_type_ != kBlipMetafile) {
        if (glyph->blip_type_ != kBlipGif)
            glyph->blip_type_ = kBlipPng;
        LockArgb(image, bytes);
    }
    glyph->data_path_ = WriteDataFile(bytes);
    glyph->display_width_ = glyph->natural_width_;
    glyph->display_height_ = glyph->natural_height_;
    const auto w = static_cast<float>(glyph->natural_width_), h = static_cast<float>(glyph->natural_height_);
    glyph->SetBox(0, 0, w, h);
    glyph->SetInkBox(0, 0, w, h);
    if (!glyph->data_path_.empty())
        ImageFileRefs::Instance().Set(glyph->data_path_, 1);
    return glyph;
}

LGlyphImage* LGlyphImage::FromRtf(std::string_view hex, const std::wstring& blip_type, int goal_width,
                                  int goal_height, int natural_width, int natural_height, int pixel_format,
                                  uint32_t back_color) {
    auto* glyph = new LGlyphImage;
    glyph->data_path_ = MakeImageDataFile(hex);
    glyph->blip_type_ = blip_type;
    glyph->display_width_ = TwipsToPixels(goal_width);
    glyph->display_height_ = TwipsToPixels(goal_height);
    const auto w = static_cast<float>(glyph->display_width_), h = static_cast<float>(glyph->display_height_);
    glyph->SetBox(0, 0, w, h);
    glyph->SetInkBox(0, 0, w, h);
    glyph->natural_width_ = std::max(natural_width, 0);
    glyph->natural_height_ = std::max(natural_height, 0);
    glyph->pixel_format_ = pixel_format;
    glyph->SetBackColor(back_color);
    if (!glyph->data_path_.empty())
        ImageFileRefs::Instance().Set(glyph->data_path_, 1);
    return glyph;
}

LGlyphImage::~LGlyphImage() {
    if (!data_path_.empty())
        ImageFileRefs::Instance().Release(data_path_);
}

void LGlyphImage::SetBox(const Gdiplus::RectF& box) {
    LGlyph::SetBox(box);
    box_height_ = static_cast<int>(box.Height);
    baseline_offset_ = std::max(box_height_ - kBaselineLift, 0);
}

void LGlyphImage::SetBackColor(uint32_t argb) {
    back_color_ = argb;
    if (argb)
        ColorRegistry::Instance().Add(argb);
}

LGlyph* LGlyphImage::Clone() const {
    auto* copy = new LGlyphImage;
    copy->CopyCommon(*this);
    copy->natural_width_ = natural_width_;
    copy->natural_height_ = natural_height_;
    copy->baseline_offset_ = baseline_offset_;
    copy->box_height_ = box_height_;
    copy->display_width_ = display_width_;
    copy->display_height_ = display_height_;
    copy->blip_type_ = blip_type_;
    copy->back_color_ = back_color_;
    copy->pixel_format_ = pixel_format_;
    copy->data_path_ = data_path_;
    if (!data_path_.empty())
        ImageFileRefs::Instance().AddRef(data_path_);
    return copy;
}

bool LGlyphImage::GetHexData(std::string& out) const {
    std::string bytes;
    if (data_path_.empty() || !ReadFileBytes(data_path_, bytes))
        return false;
    AppendHex(out, bytes);
    return true;
}

Gdiplus::Bitmap* LGlyphImage::LoadBitmap(std::string& bytes) const {
    if (data_path_.empty() || !ReadFileBytes(data_path_, bytes))
        return nullptr;
    if (blip_type_ == kBlipMetafile)
        return RenderMetafile(bytes, display_width_, display_height_);
    const int w = natural_width_, h = natural_height_;
    // The data must cover the natural size, or the bitmap would read past it.
    if (w <= 0 || h <= 0 || static_cast<uint64_t>(w) * static_cast<uint64_t>(h) * 4 > bytes.size())
        return nullptr;
    return new Gdiplus::Bitmap(w, h, w * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(bytes.data()));
}

void LGlyphImage::Draw(HDC dc, void* bits, const Gdiplus::RectF& rect) {
    const int width = static_cast<int>(std::ceil(rect.Width));
    const int height = static_cast<int>(std::ceil(rect.Height));
    if (!dc || width <= 0 || height <= 0)
        return;
    std::string bytes;
    std::unique_ptr<Gdiplus::Bitmap> picture(LoadBitmap(bytes));
    if (!picture)
        return;
    LSurface scratch(width, height);
    if (!scratch)
        return;
    {
        Gdiplus::Bitmap target(width, height, width * 4, PixelFormat32bppPARGB,
                               reinterpret_cast<BYTE*>(scratch.bits()));
        Gdiplus::Graphics g(&target);
        g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        g.DrawImage(picture.get(), Gdiplus::Rect(0, 0, width, height), 0, 0,
                    static_cast<INT>(picture->GetWidth()), static_cast<INT>(picture->GetHeight()),
                    Gdiplus::UnitPixel);
    }
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, static_cast<BYTE>(std::clamp(alpha_, 0, 255)), AC_SRC_ALPHA};
    AlphaBlend(dc, static_cast<int>(rect.X), static_cast<int>(rect.Y), width, height, scratch.dc(), 0, 0,
               width, height, blend);
}
