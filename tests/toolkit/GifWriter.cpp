#include "tests/toolkit/GifWriter.h"

namespace {

void Put16(std::string& out, int v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

// LZW with a 2-bit minimum code size and a clear code before every two pixels, so every code stays
// 3 bits wide.
std::string LzwPixels(int color, int count) {
    constexpr int kClear = 4, kEnd = 5, kBits = 3;
    std::vector<int> codes;
    for (int i = 0; i < count; ++i) {
        if (i % 2 == 0)
            codes.push_back(kClear);
        codes.push_back(color);
    }
    codes.push_back(kEnd);
    std::string bytes;
    uint32_t acc = 0;
    int n = 0;
    for (int c : codes) {
        acc |= static_cast<uint32_t>(c) << n;
        n += kBits;
        for (; n >= 8; n -= 8, acc >>= 8)
            bytes += static_cast<char>(acc & 0xFF);
    }
    if (n > 0)
        bytes += static_cast<char>(acc & 0xFF);
    std::string blocks{'\x02'};
    for (size_t i = 0; i < bytes.size(); i += 255) {
        const std::string part = bytes.substr(i, 255);
        blocks += static_cast<char>(part.size());
        blocks += part;
    }
    return blocks + '\0';
}

} // namespace

std::string EncodeGif(const std::vector<Frame>& frames) {
    std::string g = "GIF89a";
    Put16(g, kGifSide);
    Put16(g, kGifSide);
    g += '\x81'; // global table of 4 entries
    g += '\0';
    g += '\0';
    for (uint32_t rgb : kGifPalette) {
        g += static_cast<char>(rgb >> 16);
        g += static_cast<char>((rgb >> 8) & 0xFF);
        g += static_cast<char>(rgb & 0xFF);
    }
    g += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (const Frame& f : frames) {
        if (f.delay) {
            g += std::string("\x21\xF9\x04\x00", 4);
            Put16(g, *f.delay);
            g += std::string("\x00\x00", 2);
        }
        g += '\x2C';
        Put16(g, 0);
        Put16(g, 0);
        Put16(g, kGifSide);
        Put16(g, kGifSide);
        g += '\0';
        g += LzwPixels(f.color, kGifSide * kGifSide);
    }
    return g + '\x3B';
}
