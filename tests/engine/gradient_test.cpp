#include "engine/gradient.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

int Component(ColorValue color, int index) {
    return static_cast<int>((color >> (8 * index)) & 0xFF);
}

} // namespace

// trunc(top + height / 256 + 0.3) leaves rows 6, 13, 20, ... unpainted on 600
// rows and overlaps the next band on 1000.
TEST(GradientBands, BandsPaintEveryRowExactlyOnceWhateverTheHeight) {
    const int start[3] = {0, 0, 255};
    const int end[3] = {0, 0, 0};
    for (int height : {0, 100, 255, 257, 600, 720, 768, 1000, 1050, 1080, 1440, 2160}) {
        const std::vector<GradientBand> bands = ComputeGradientBands(start, end, height);
        std::vector<int> painted(static_cast<std::size_t>(height), 0);
        for (int i = 0; i < 256; ++i) {
            const GradientBand& band = bands[static_cast<std::size_t>(i)];
            EXPECT_EQ(band.top, i * height / 256) << height << " band " << i;
            for (int row = band.top; row < band.bottom; ++row) {
                ++painted.at(static_cast<std::size_t>(row));
            }
        }
        EXPECT_EQ(std::vector<int>(painted.size(), 1), painted) << height;
    }
}

// The x87 unit of the 32-bit build computed the single-precision steps with
// excess precision, so that band 255 missed the end colour for many pairs; in
// single precision, bands between are one off too, so that a colour pair run
// backwards is no longer the same bands in reverse order.
TEST(GradientBands, EveryColourPairRunsMonotonicallyToExactlyItsEndColourAndBackAlike) {
    for (int low = 0; low < 256; ++low) {
        for (int high = low; high < 256; ++high) {
            const int start[3] = {low, high, 255 - low};
            const int end[3] = {high, low, 255 - high};
            const std::vector<GradientBand> bands = ComputeGradientBands(start, end, 768);
            ASSERT_EQ(bands[0].color, MakeColor(low, high, 255 - low)) << low << " " << high;
            ASSERT_EQ(bands[255].color, MakeColor(high, low, 255 - high)) << low << " " << high;
            for (std::size_t i = 1; i < 256; ++i) {
                const ColorValue a = bands[i - 1].color;
                const ColorValue b = bands[i].color;
                ASSERT_TRUE(Component(b, 0) >= Component(a, 0) &&
                            Component(b, 1) <= Component(a, 1) &&
                            Component(b, 2) <= Component(a, 2) &&
                            Component(b, 1) == Component(bands[255 - i].color, 0))
                    << low << " " << high << " band " << i;
            }
        }
    }
}
