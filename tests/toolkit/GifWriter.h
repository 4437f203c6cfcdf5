#pragma once
// GIF89a files written byte by byte: 8 x 8 frames of one palette colour each, with or without a
// delay, so the tests know every frame's colour and timing.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Palette of every test GIF: index -> RGB.
inline constexpr uint32_t kGifPalette[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
inline constexpr int kGifSide = 8;

// One frame: a palette index for all its pixels and its delay in hundredths (none: no control block).
struct Frame {
    int color;
    std::optional<int> delay;
};

std::string EncodeGif(const std::vector<Frame>& frames);
