#include "ui/gradient.h"

#include <cstdint>

namespace {

// start + i * step in single precision, truncated toward zero; only the low
// eight bits make the colour byte, so components outside 0..255 wrap.
int BandComponent(int start, int end, int i) {
    const float step = static_cast<float>(end - start) / 255.0f;
    const float value = static_cast<float>(start) + static_cast<float>(i) * step;
    const int64_t truncated = static_cast<int64_t>(value);
    return static_cast<int>(static_cast<uint64_t>(truncated) & 0xFFu);
}

} // namespace

std::vector<GradientBand> ComputeGradientBands(const int start[3], const int end[3], int height) {
    std::vector<GradientBand> bands(256);
    const float bandHeight = static_cast<float>(height) / 256.0f;
    for (int i = 0; i < 256; ++i) {
        GradientBand& band = bands[static_cast<std::size_t>(i)];
        band.top = static_cast<int>(static_cast<float>(i) * bandHeight);
        band.bottom = static_cast<int>(static_cast<float>(band.top) + bandHeight + 0.3f);
        band.color =
            MakeColor(BandComponent(start[0], end[0], i), BandComponent(start[1], end[1], i),
                      BandComponent(start[2], end[2], i));
    }
    // Rows the formula leaves between two bands would show whatever the
    // off-screen bitmap held; stretch each band down to the next band's top and
    // the last one to the bottom of the screen.
    for (int i = 0; i < 255; ++i) {
        GradientBand& band = bands[static_cast<std::size_t>(i)];
        const int nextTop = bands[static_cast<std::size_t>(i) + 1].top;
        if (band.bottom < nextTop) {
            band.bottom = nextTop;
        }
    }
    if (bands[255].bottom < height) {
        bands[255].bottom = height;
    }
    return bands;
}
