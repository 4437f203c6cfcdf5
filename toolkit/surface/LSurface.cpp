#include "toolkit/surface/LSurface.h"

#include <gdiplus.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>
#include <utility>

namespace {

// Composition makes and drops two small surfaces per window and redraw; making a DIB section and a
// DC costs far more than clearing one, so released surfaces up to a note's size are kept for reuse
// (a note's redraw and present make several of its whole size), within a bound on the pixels kept.
constexpr size_t kPoolMaxPixels = 320 * 320;
constexpr size_t kPoolMaxEntries = 64;
constexpr size_t kPoolMaxTotalPixels = 1024 * 1024;

struct PooledSurface {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old_bitmap;
    uint32_t* bits;
    int width, height;
};

class SurfacePool {
public:
    ~SurfacePool() {
        for (PooledSurface& p : free_) {
            SelectObject(p.dc, p.old_bitmap);
            DeleteDC(p.dc);
            DeleteObject(p.bitmap);
        }
    }
    bool Take(int width, int height, PooledSurface& out) {
        std::lock_guard<std::mutex> lock(lock_);
        for (size_t i = free_.size(); i-- > 0;) {
            if (free_[i].width == width && free_[i].height == height) {
                out = free_[i];
                free_[i] = free_.back();
                free_.pop_back();
                pixels_ -= Pixels(out);
                return true;
            }
        }
        return false;
    }
    bool Give(const PooledSurface& surface) {
        if (static_cast<size_t>(surface.width) * static_cast<size_t>(surface.height) > kPoolMaxPixels)
            return false;
        std::lock_guard<std::mutex> lock(lock_);
        if (free_.size() >= kPoolMaxEntries || pixels_ + Pixels(surface) > kPoolMaxTotalPixels)
            return false;
        free_.push_back(surface);
        pixels_ += Pixels(surface);
        return true;
    }

private:
    static size_t Pixels(const PooledSurface& s) {
        return static_cast<size_t>(s.width) * static_cast<size_t>(s.height);
    }

    std::mutex lock_;
    std::vector<PooledSurface> free_;
    size_t pixels_ = 0;
};

SurfacePool& Pool() {
    static SurfacePool pool;
    return pool;
}

} // namespace

LSurface::LSurface(int width, int height) {
    Create(width, height);
}

bool LSurface::Create(int width, int height) {
    *this = CreateSurface(nullptr, width, height);
    return dc_ != nullptr;
}

LSurface::~LSurface() {
    Release();
}

LSurface::LSurface(LSurface&& other) noexcept
    : dc_(std::exchange(other.dc_, nullptr)), bitmap_(std::exchange(other.bitmap_, nullptr)),
      old_bitmap_(std::exchange(other.old_bitmap_, nullptr)), bits_(std::exchange(other.bits_, nullptr)),
      width_(std::exchange(other.width_, 0)), height_(std::exchange(other.height_, 0)),
      blank_(std::exchange(other.blank_, false)) {}

LSurface& LSurface::operator=(LSurface&& other) noexcept {
    if (this != &other) {
        Release();
        dc_ = std::exchange(other.dc_, nullptr);
        bitmap_ = std::exchange(other.bitmap_, nullptr);
        old_bitmap_ = std::exchange(other.old_bitmap_, nullptr);
        bits_ = std::exchange(other.bits_, nullptr);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        blank_ = std::exchange(other.blank_, false);
    }
    return *this;
}

void LSurface::Release() {
    if (dc_ && Pool().Give(PooledSurface{dc_, bitmap_, old_bitmap_, bits_, width_, height_})) {
        dc_ = nullptr;
        bitmap_ = nullptr;
    }
    if (dc_) {
        SelectObject(dc_, old_bitmap_);
        DeleteDC(dc_);
    }
    if (bitmap_)
        DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    old_bitmap_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
    blank_ = false;
}

uint32_t LSurface::Premultiply(uint32_t argb) {
    const uint32_t a = argb >> 24;
    if (a == 255)
        return argb;
    auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
    return (a << 24) | (mul((argb >> 16) & 0xFF) << 16) | (mul((argb >> 8) & 0xFF) << 8) | mul(argb & 0xFF);
}

uint32_t LSurface::Pixel(int x, int y) const {
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    GdiFlush();
    return bits_[static_cast<size_t>(y) * width_ + x];
}

void LSurface::FillRect(int x, int y, int w, int h, uint32_t argb) {
    if (!bits_)
        return;
    const int l = std::max(x, 0), t = std::max(y, 0);
    const int r = std::min(x + w, width_), b = std::min(y + h, height_);
    if (l >= r || t >= b)
        return;
    GdiFlush();
    const uint32_t pixel = Premultiply(argb);
    for (int row = t; row < b; ++row)
        std::fill(Row(row) + l, Row(row) + r, pixel);
}

bool LSurface::BlendFrom(const LSurface& src, int dx, int dy, int sx, int sy, int w, int h) {
    if (!dc_ || !src.dc_ || w <= 0 || h <= 0)
        return false;
    if (sx < 0 || sy < 0 || sx + w > src.width_ || sy + h > src.height_)
        return false;
    // Clip the destination; the source moves along.
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    w = std::min(w, width_ - dx);
    h = std::min(h, height_ - dy);
    if (w <= 0 || h <= 0 || src.blank_)
        return true; // nothing lands on this surface, or nothing to add
    GdiFlush();
    const bool copy = blank_;
    blank_ = false;
    // Source over with premultiplied alpha, the AlphaBlend rule (AC_SRC_OVER, constant 255,
    // AC_SRC_ALPHA): dst = src + dst * (255 - src alpha) / 255, on every channel. Done on the bits
    // directly: per call it is far cheaper than the GDI blend for the many small surfaces.
    for (int row = 0; row < h; ++row) {
        const uint32_t* s = src.bits_ + static_cast<size_t>(sy + row) * src.width_ + sx;
        uint32_t* d = bits_ + static_cast<size_t>(dy + row) * width_ + dx;
        if (copy) {
            std::memcpy(d, s, static_cast<size_t>(w) * 4);
            continue;
        }
        for (int i = 0; i < w; ++i) {
            const uint32_t p = s[i];
            const uint32_t a = p >> 24;
            if (a == 255) {
                d[i] = p;
            } else if (p != 0) {
                const uint32_t q = d[i], k = 255 - a;
                auto ch = [&](int shift) {
                    const uint32_t v = ((p >> shift) & 0xFF) + (((q >> shift) & 0xFF) * k + 127) / 255;
                    return std::min<uint32_t>(v, 255) << shift;
                };
                d[i] = ch(0) | ch(8) | ch(16) | ch(24);
            }
        }
    }
    return true;
}

std::unique_ptr<Gdiplus::Bitmap> LSurface::MakeBitmap() const {
    if (!bits_)
        return nullptr;
    GdiFlush();
    return std::make_unique<Gdiplus::Bitmap>(width_, height_, 4 * width_, PixelFormat32bppPARGB,
                                             reinterpret_cast<BYTE*>(Row(0)));
}

LSurface CreateSurface(HWND window, int width, int height, uint32_t argb) {
    LSurface s;
    if (width <= 0 || height <= 0)
        return s;
    // A memory DC compatible with the screen serves every window: all surfaces are DIB sections.
    (void)window;
    PooledSurface reused;
    if (Pool().Take(width, height, reused)) {
        GdiFlush();
        std::memset(reused.bits, 0, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
        // Drawing state left behind by the previous user must not leak into the next one.
        RestoreDC(reused.dc, -1);
        SaveDC(reused.dc);
        s.dc_ = reused.dc;
        s.bitmap_ = reused.bitmap;
        s.old_bitmap_ = reused.old_bitmap;
        s.bits_ = reused.bits;
        s.width_ = width;
        s.height_ = height;
        s.blank_ = true;
        if (argb != 0)
            s.Fill(argb);
        return s;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap)
            DeleteObject(bitmap);
        return s;
    }
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) {
        DeleteObject(bitmap);
        return s;
    }
    s.dc_ = dc;
    s.bitmap_ = bitmap;
    s.old_bitmap_ = SelectObject(dc, bitmap);
    SaveDC(dc); // the clean state a pooled DC returns to
    s.bits_ = static_cast<uint32_t*>(bits);
    s.width_ = width;
    s.height_ = height;
    // A fresh DIB section is zeroed: only a colour needs filling.
    s.blank_ = true;
    if (argb != 0)
        s.Fill(argb);
    return s;
}

void ClearSurfaceRect(HDC dc, int x, int y, int width, int height) {
    if (!dc || width <= 0 || height <= 0)
        return;
    LSurface blank(width, height);
    if (blank)
        BitBlt(dc, x, y, width, height, blank.dc(), 0, 0, SRCCOPY);
}
