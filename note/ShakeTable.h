#pragma once
// The wobble of a reminding note: the corners of its picture for each frame, turned to and fro and
// shrunk so that the corners touch the edges of the note's own rectangle.
#include <cstdint>
#include <vector>

class LSurface;

struct ShakePoint {
    int32_t x = 0, y = 0;
};
struct ShakeRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct ShakeEntry {
    ShakePoint upper_left, upper_right, lower_left, lower_right;
};

// The note's timer: ten frames this far apart, then a rest before the next round.
inline constexpr unsigned kShakeTimerId = 60003;
inline constexpr unsigned kShakeFrameMs = 100;
inline constexpr unsigned kShakeRestMs = 1000;
inline constexpr double kShakeAngleDegrees = -9.0;

// Ten entries, the first and last the plain corners; empty for a rectangle narrower or shorter than
// two pixels, which has no half to turn about.
std::vector<ShakeEntry> BuildShakeTable(const ShakeRect& rect, double angle_degrees);

// Draws composed onto target through the entry's upper-left, upper-right and lower-left corners,
// on a cleared target; composed may be the target itself.
bool DrawShaken(LSurface& target, const LSurface& composed, const ShakeEntry& entry);
