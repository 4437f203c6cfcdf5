#pragma once
// Soft drop shadows: a filled rectangle blurred with a small Gaussian, with the rectangle itself
// cut out again so that only the halo remains.
#include "toolkit/surface/LSurface.h"

#include <cstdint>
#include <vector>

// Integer weights w(-r-1) .. w(r+1): 255 at the centre and 1 (= 1/255 of it) one pixel beyond the
// radius, w(t) = floor(255 * exp(-t^2 / (2 sigma^2))) with sigma = (r + 1) / sqrt(2 ln 255).
std::vector<int> ShadowWeights(int radius);

// The halo of a width x height rectangle: a surface of (width + 2r) x (height + 2r) whose inner
// rectangle at (r, r) is empty.
LSurface MakeShadowSurface(HWND window, int width, int height, int radius, uint32_t argb);

// Blends the halo of the rectangle (x, y, width, height) into target at (x - r, y - r).
bool MakeShadow(LSurface& target, int x, int y, int width, int height, int radius, uint32_t argb);
