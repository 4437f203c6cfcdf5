#pragma once
// A 32-bit premultiplied-alpha drawing surface: a memory DC holding a top-down DIB section, so row y
// starts at bits() + y * width(). Every picture of the program is one of these: the toolkit's back
// buffers, window pictures, work surfaces and shadows, and the rich text engine's glyph pixels. All
// blending between them is per-pixel AlphaBlend (source over, constant alpha 255).
#include <windows.h>

#include <cstdint>
#include <memory>

namespace Gdiplus {
class Bitmap;
}

class LSurface {
public:
    LSurface() = default;
    // A transparent surface of that size; empty when the size is not positive or memory runs out.
    LSurface(int width, int height);
    ~LSurface();
    LSurface(LSurface&& other) noexcept;
    LSurface& operator=(LSurface&& other) noexcept;
    LSurface(const LSurface&) = delete;
    LSurface& operator=(const LSurface&) = delete;

    explicit operator bool() const { return dc_ != nullptr; }
    // Replaces the surface with a transparent one of that size; false leaves it empty.
    bool Create(int width, int height);
    void Reset() { Release(); }
    // The DC for drawing; handing it out ends what the surface knows about its content.
    HDC dc() const {
        blank_ = false;
        return dc_;
    }
    int width() const { return width_; }
    int height() const { return height_; }

    // Premultiplied ARGB of a pixel, y counted from the top; 0 outside the surface.
    uint32_t Pixel(int x, int y) const;
    uint32_t* Row(int y) const {
        blank_ = false;
        return bits_ + static_cast<size_t>(y) * width_;
    }
    // All pixels, row after row from the top; like dc(), handing them out ends what the surface knows.
    uint32_t* bits() const {
        blank_ = false;
        return bits_;
    }
    // Fills a rectangle (clipped) with a straight ARGB colour, replacing what was there.
    void FillRect(int x, int y, int w, int h, uint32_t argb);
    void Fill(uint32_t argb) { FillRect(0, 0, width_, height_, argb); }
    // Blends src's rectangle (sx, sy, w, h) onto this surface at (dx, dy). Onto a surface still
    // fully transparent, source-over equals a copy, which is done instead (much cheaper).
    bool BlendFrom(const LSurface& src, int dx, int dy, int sx, int sy, int w, int h);
    bool BlendFrom(const LSurface& src, int dx, int dy) {
        return BlendFrom(src, dx, dy, 0, 0, src.width(), src.height());
    }
    // A GDI+ bitmap over the surface's own pixels (PARGB), for drawing with GDI+; must not outlive it.
    std::unique_ptr<Gdiplus::Bitmap> MakeBitmap() const;

    // Converts a straight ARGB colour to its premultiplied pixel.
    static uint32_t Premultiply(uint32_t argb);

private:
    friend LSurface CreateSurface(HWND window, int width, int height, uint32_t argb);
    void Release();

    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_bitmap_ = nullptr;
    uint32_t* bits_ = nullptr;
    int width_ = 0, height_ = 0;
    // True while every pixel is known to be 0: created transparent and not drawn on since.
    mutable bool blank_ = false;
};

// A surface of the given size filled with argb (0: fully transparent). A width or height of 0 or
// less, or a failed allocation, gives an empty surface.
LSurface CreateSurface(HWND window, int width, int height, uint32_t argb = 0);

// Makes a rectangle of a 32-bit surface's DC transparent again.
void ClearSurfaceRect(HDC dc, int x, int y, int width, int height);
