#pragma once
// A 32-bit top-down DIB section selected into its own memory device context: the pixels that glyphs
// paint into and rows move around. Owns both handles; pixels start transparent (all zero).
#include <windows.h>

#include <cstdint>
#include <utility>

class DibSurface {
public:
    DibSurface() = default;
    DibSurface(int width, int height) { Create(width, height); }
    ~DibSurface() { Reset(); }
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    bool Create(int width, int height);
    void Reset();
    void Swap(DibSurface& other) noexcept {
        std::swap(dc_, other.dc_);
        std::swap(bitmap_, other.bitmap_);
        std::swap(old_, other.old_);
        std::swap(bits_, other.bits_);
        std::swap(width_, other.width_);
        std::swap(height_, other.height_);
    }

    explicit operator bool() const { return dc_ != nullptr; }
    HDC Dc() const { return dc_; }
    uint32_t* Bits() const { return bits_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Premultiplied BGRA of one pixel; 0 outside the surface.
    uint32_t Pixel(int x, int y) const;

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
    int width_ = 0, height_ = 0;
};

// Makes a rectangle of a 32-bit surface transparent again.
void ClearSurfaceRect(HDC dc, int x, int y, int width, int height);
