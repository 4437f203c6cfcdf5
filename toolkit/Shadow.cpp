#include "toolkit/Shadow.h"

#include <algorithm>
#include <cmath>

std::vector<int> ShadowWeights(int radius) {
    if (radius < 0)
        radius = 0;
    const int reach = radius + 1;
    const double sigma = reach / std::sqrt(2.0 * std::log(255.0));
    std::vector<int> w(2 * reach + 1);
    for (int t = -reach; t <= reach; ++t) {
        // The tiny bias keeps exact values such as 255 / 255 from flooring to 0 by rounding.
        w[t + reach] =
            t == 0
                ? 255
                : static_cast<int>(std::floor(255.0 * std::exp(-double(t * t) / (2 * sigma * sigma)) + 1e-9));
    }
    return w;
}

namespace {

// One pass of the separable blur over a line of pixels, all four channels; outside is transparent.
void BlurLine(const uint32_t* in, uint32_t* out, int count, const std::vector<int>& w, uint32_t sum) {
    const int reach = static_cast<int>(w.size() / 2);
    for (int i = 0; i < count; ++i) {
        uint32_t acc[4] = {0, 0, 0, 0};
        const int from = std::max(-reach, -i), to = std::min(reach, count - 1 - i);
        for (int t = from; t <= to; ++t) {
            const uint32_t p = in[i + t];
            const uint32_t k = static_cast<uint32_t>(w[t + reach]);
            acc[0] += (p & 0xFF) * k;
            acc[1] += ((p >> 8) & 0xFF) * k;
            acc[2] += ((p >> 16) & 0xFF) * k;
            acc[3] += (p >> 24) * k;
        }
        out[i] = (acc[0] / sum) | ((acc[1] / sum) << 8) | ((acc[2] / sum) << 16) | ((acc[3] / sum) << 24);
    }
}

} // namespace

LSurface MakeShadowSurface(HWND window, int width, int height, int radius, uint32_t argb) {
    if (radius < 0)
        radius = 0;
    const int W = width + 2 * radius, H = height + 2 * radius;
    LSurface s = CreateSurface(window, W, H, 0);
    if (!s || width <= 0 || height <= 0)
        return s;
    s.FillRect(radius, radius, width, height, argb);
    const std::vector<int> w = ShadowWeights(radius);
    uint32_t sum = 0;
    for (int k : w)
        sum += static_cast<uint32_t>(k);
    std::vector<uint32_t> in(static_cast<size_t>(std::max(W, H))), out(in.size());
    // Columns first, then rows.
    for (int x = 0; x < W; ++x) {
        for (int y = 0; y < H; ++y)
            in[y] = s.Row(y)[x];
        BlurLine(in.data(), out.data(), H, w, sum);
        for (int y = 0; y < H; ++y)
            s.Row(y)[x] = out[y];
    }
    for (int y = 0; y < H; ++y) {
        uint32_t* row = s.Row(y);
        std::copy(row, row + W, in.begin());
        BlurLine(in.data(), row, W, w, sum);
    }
    s.FillRect(radius, radius, width, height, 0);
    return s;
}

bool MakeShadow(LSurface& target, int x, int y, int width, int height, int radius, uint32_t argb) {
    LSurface halo = MakeShadowSurface(nullptr, width, height, radius, argb);
    if (!halo)
        return false;
    return target.BlendFrom(halo, x - radius, y - radius);
}
