#pragma once

#include <vector>

#include "engine/background_settings.h"

// One horizontal band of the background gradient: rows top (inclusive) to
// bottom (exclusive) filled with one colour.
struct GradientBand {
    int top = 0;
    int bottom = 0;
    ColorValue color = 0;
};

// The 256 bands of the gradient from `start` to `end` on a screen `height` rows
// high. Each band starts at trunc(i * height / 256) and ends where the next one
// starts (the last at the bottom), so the bands cover every row exactly once
// whatever the height.
std::vector<GradientBand> ComputeGradientBands(const int start[3], const int end[3], int height);
