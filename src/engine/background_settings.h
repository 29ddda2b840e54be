#pragma once

#include <cstdint>

// A colour as the platform stores it: 0x00BBGGRR.
using ColorValue = uint32_t;

constexpr ColorValue MakeColor(int red, int green, int blue) {
    return static_cast<ColorValue>(red & 0xFF) | (static_cast<ColorValue>(green & 0xFF) << 8) |
           (static_cast<ColorValue>(blue & 0xFF) << 16);
}

struct PixelPoint {
    int x = 0;
    int y = 0;
};

// How the background window paints: gradient, caption and the wait after a paint.
struct BackgroundSettings {
    int gradientStart[3] = {0, 0, 255}; // red, green, blue, stored as given
    int gradientEnd[3] = {0, 0, 0};
    int captionSize = 65; // points
    ColorValue captionColor1 = MakeColor(255, 255, 255);
    ColorValue captionColor2 = MakeColor(0, 0, 0);
    PixelPoint captionPos1 = {30, 30};
    PixelPoint captionPos2 = {40, 40};
    int redrawWait = 0; // milliseconds slept after each paint
};

// The one set of background settings; written by the script's styling commands,
// read by every paint of the background window.
extern BackgroundSettings backgroundSettings;

void ResetBackgroundSettings();
