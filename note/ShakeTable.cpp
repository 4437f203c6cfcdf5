#include "note/ShakeTable.h"

#include "toolkit/surface/LSurface.h"

#include <gdiplus.h>

#include <cmath>
#include <cstring>

namespace {

// The wobble's own value of pi; a longer one would move the corners by a pixel here and there.
constexpr double kPi = 3.14159267;
constexpr double kHalfTurnDegrees = 180.0;
constexpr int kAngleSteps = 8;
constexpr int kTurnedStep = 7;
constexpr int kMinSide = 2;
constexpr int kAnglePoints = 3;

int32_t Trunc(double v) {
    return static_cast<int32_t>(v);
}

ShakeEntry Turned(const ShakeRect& rc, double alpha) {
    const int w = (rc.right - rc.left) / 2;
    const int h = (rc.bottom - rc.top) / 2;
    const double phi = std::atan(static_cast<double>(h) / w);
    const double l = rc.left, t = rc.top, r = rc.right, b = rc.bottom;
    ShakeEntry e;
    if (alpha < 0) {
        const double across = std::fabs(h / std::tan(phi - alpha));
        const double down = std::fabs(w * std::tan(phi + alpha));
        e.upper_left = {Trunc(l + w - across), Trunc(t)};
        e.upper_right = {Trunc(r), Trunc(t + h - down)};
        e.lower_left = {Trunc(l), Trunc(b - h + down)};
        e.lower_right = {Trunc(r - w + across), Trunc(b)};
    } else {
        const double across = std::fabs(h / std::tan(phi + alpha));
        const double down = std::fabs(w * std::tan(phi - alpha));
        e.upper_left = {Trunc(l), Trunc(t + h - down)};
        e.upper_right = {Trunc(r - w + across), Trunc(t)};
        e.lower_left = {Trunc(l + w - across), Trunc(b)};
        e.lower_right = {Trunc(r), Trunc(b - h + down)};
    }
    return e;
}

} // namespace

std::vector<ShakeEntry> BuildShakeTable(const ShakeRect& rect, double angle_degrees) {
    if (rect.right - rect.left < kMinSide || rect.bottom - rect.top < kMinSide)
        return {};
    const double theta = kTurnedStep * (angle_degrees / kHalfTurnDegrees * kPi) / kAngleSteps;
    const double angles[] = {0, theta, -theta, theta, -theta, theta, -theta, theta, -theta, 0};
    std::vector<ShakeEntry> table;
    table.reserve(std::size(angles));
    for (double a : angles)
        table.push_back(Turned(rect, a));
    return table;
}

bool DrawShaken(LSurface& target, const LSurface& composed, const ShakeEntry& entry) {
    const int width = composed.width(), height = composed.height();
    if (!target || !composed || width <= 0 || height <= 0)
        return false;
    // A copy of its own: the composed picture is often the very surface about to be cleared.
    Gdiplus::Bitmap copy(width, height, PixelFormat32bppPARGB);
    Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data{};
    if (copy.LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB, &data) != Gdiplus::Ok)
        return false;
    for (int y = 0; y < height; ++y)
        std::memcpy(static_cast<uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
                    composed.Row(y), static_cast<size_t>(width) * sizeof(uint32_t));
    copy.UnlockBits(&data);

    target.Fill(0);
    auto canvas = target.MakeBitmap();
    if (!canvas)
        return false;
    Gdiplus::Graphics g(canvas.get());
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBilinear);
    const Gdiplus::Point corners[kAnglePoints] = {
        {entry.upper_left.x, entry.upper_left.y},
        {entry.upper_right.x, entry.upper_right.y},
        {entry.lower_left.x, entry.lower_left.y},
    };
    return g.DrawImage(&copy, corners, kAnglePoints) == Gdiplus::Ok;
}
