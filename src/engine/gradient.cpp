#include "engine/gradient.h"

#include <cstdint>

namespace {

// start + i * (end - start) / 255, truncated toward zero; only the low eight
// bits make the colour byte, so components outside 0..255 wrap. The value is
// computed exactly in 64-bit integers: in single precision the x87 unit of the
// 32-bit build keeps excess precision, so that band 255 missed the end colour
// by one for many colour pairs (start 2, end 1 gave 0), and the two builds
// painted different colours.
int BandComponent(int start, int end, int i) {
    const int64_t numerator = 255 * static_cast<int64_t>(start) +
                              static_cast<int64_t>(i) * (static_cast<int64_t>(end) - start);
    const int64_t truncated = numerator / 255; // integer division truncates toward zero
    return static_cast<int>(static_cast<uint64_t>(truncated) & 0xFFu);
}

} // namespace

std::vector<GradientBand> ComputeGradientBands(const int start[3], const int end[3], int height) {
    std::vector<GradientBand> bands(256);
    const float bandHeight = static_cast<float>(height) / 256.0f;
    for (int i = 0; i < 256; ++i) {
        GradientBand& band = bands[static_cast<std::size_t>(i)];
        band.top = static_cast<int>(static_cast<float>(i) * bandHeight);
        band.color =
            MakeColor(BandComponent(start[0], end[0], i), BandComponent(start[1], end[1], i),
                      BandComponent(start[2], end[2], i));
    }
    // The bottom edge trunc(top + bandHeight + 0.3) would leave single rows
    // uncovered on some heights (600) and overlap the next band on others
    // (1000). Each band ends where the next one begins and the last one at the
    // bottom of the screen, so the bands tile the screen exactly; painted in
    // order, the picture is the one the overlapping bands gave.
    for (int i = 0; i < 255; ++i) {
        bands[static_cast<std::size_t>(i)].bottom = bands[static_cast<std::size_t>(i) + 1].top;
    }
    bands[255].bottom = height;
    return bands;
}
