#include "engine/gradient.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/background_settings.h"

namespace {

int Red(ColorValue color) {
    return static_cast<int>(color & 0xFF);
}
int Green(ColorValue color) {
    return static_cast<int>((color >> 8) & 0xFF);
}
int Blue(ColorValue color) {
    return static_cast<int>((color >> 16) & 0xFF);
}

} // namespace

TEST(GradientBands, DefaultsRunFromPureBlueToBlack) {
    const BackgroundSettings defaults;
    const std::vector<GradientBand> bands =
        ComputeGradientBands(defaults.gradientStart, defaults.gradientEnd, 768);
    ASSERT_EQ(bands.size(), 256u);
    EXPECT_EQ(bands[0].color, 0xFF0000u); // 0x00BBGGRR: blue 255
    EXPECT_EQ(bands[255].color, 0x000000u);
    for (int i = 0; i < 256; ++i) {
        const ColorValue color = bands[static_cast<std::size_t>(i)].color;
        EXPECT_EQ(Red(color), 0) << i;
        EXPECT_EQ(Green(color), 0) << i;
        EXPECT_EQ(Blue(color), 255 - i) << i;
    }
}

TEST(GradientBands, On768RowsEveryBandIsThreeRowsHigh) {
    const int start[3] = {0, 0, 255};
    const int end[3] = {0, 0, 0};
    const std::vector<GradientBand> bands = ComputeGradientBands(start, end, 768);
    ASSERT_EQ(bands.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(bands[static_cast<std::size_t>(i)].top, 3 * i) << i;
        EXPECT_EQ(bands[static_cast<std::size_t>(i)].bottom, 3 * i + 3) << i;
    }
}

TEST(GradientBands, BandsTileTheScreenWhateverTheHeight) {
    const int start[3] = {0, 0, 255};
    const int end[3] = {0, 0, 0};
    for (int height :
         {0,   1,   2,   100,  200,  255,  256,  257,  480,  511,  513,  600,  720,  768,
          800, 864, 900, 1000, 1023, 1024, 1050, 1080, 1200, 1440, 1600, 2160, 2880, 4320}) {
        const std::vector<GradientBand> bands = ComputeGradientBands(start, end, height);
        ASSERT_EQ(bands.size(), 256u) << height;
        EXPECT_EQ(bands[0].top, 0) << height;
        EXPECT_EQ(bands[255].bottom, height) << height;
        std::vector<int> paintedRows(static_cast<std::size_t>(height), 0);
        for (int i = 0; i < 256; ++i) {
            const GradientBand& band = bands[static_cast<std::size_t>(i)];
            // Each band begins where the gradient formula puts it.
            EXPECT_EQ(band.top, i * height / 256) << "height " << height << " band " << i;
            EXPECT_LE(band.top, band.bottom) << "height " << height << " band " << i;
            if (i < 255) {
                EXPECT_EQ(band.bottom, bands[static_cast<std::size_t>(i) + 1].top)
                    << "height " << height << " band " << i;
            }
            for (int row = band.top; row < band.bottom && row < height; ++row) {
                ++paintedRows[static_cast<std::size_t>(row)];
            }
        }
        int wrongRows = 0;
        int firstWrongRow = -1;
        for (int row = 0; row < height; ++row) {
            if (paintedRows[static_cast<std::size_t>(row)] != 1) {
                ++wrongRows;
                firstWrongRow = firstWrongRow < 0 ? row : firstWrongRow;
            }
        }
        EXPECT_EQ(wrongRows, 0) << "rows not painted exactly once on height " << height
                                << ", the first is row " << firstWrongRow;
    }
}

TEST(GradientBands, OnScreensOfAtLeast256RowsEveryBandShows) {
    const int start[3] = {0, 0, 255};
    const int end[3] = {0, 0, 0};
    for (int height : {256, 257, 600, 1000, 1080}) {
        const std::vector<GradientBand> bands = ComputeGradientBands(start, end, height);
        for (int i = 0; i < 256; ++i) {
            const GradientBand& band = bands[static_cast<std::size_t>(i)];
            EXPECT_LT(band.top, band.bottom) << "height " << height << " band " << i;
        }
    }
}

TEST(GradientBands, EveryColourPairRunsMonotonicallyFromStartToEnd) {
    // Red rises from `low` to `high`, green falls from `high` to `low`, blue
    // falls from 255 - low to 255 - high: together every pair of bytes.
    for (int low = 0; low < 256; ++low) {
        for (int high = low; high < 256; ++high) {
            const int start[3] = {low, high, 255 - low};
            const int end[3] = {high, low, 255 - high};
            const std::vector<GradientBand> bands = ComputeGradientBands(start, end, 768);
            ASSERT_EQ(bands[0].color, MakeColor(start[0], start[1], start[2]))
                << low << " and " << high;
            ASSERT_EQ(bands[255].color, MakeColor(end[0], end[1], end[2]))
                << low << " and " << high;
            bool monotonic = true;
            for (std::size_t i = 1; i < 256; ++i) {
                const ColorValue previous = bands[i - 1].color;
                const ColorValue color = bands[i].color;
                monotonic = monotonic && Red(color) >= Red(previous) &&
                            Green(color) <= Green(previous) && Blue(color) <= Blue(previous);
            }
            ASSERT_TRUE(monotonic) << low << " and " << high;
        }
    }
}

TEST(GradientBands, ComponentsStepLinearlyAndTruncateTowardZero) {
    const int start[3] = {0, 0, 0};
    const int end[3] = {255, -100, 100};
    const std::vector<GradientBand> bands = ComputeGradientBands(start, end, 768);
    // Red steps by exactly 1.
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(Red(bands[static_cast<std::size_t>(i)].color), i) << i;
    }
    // Green: -0.39 truncates to 0 (not -1, which would wrap to 255); -1.18 to -1.
    EXPECT_EQ(Green(bands[1].color), 0);
    EXPECT_EQ(Green(bands[2].color), 0);
    EXPECT_EQ(Green(bands[3].color), 255);
    // Blue: 0.39 per band, truncated.
    EXPECT_EQ(Blue(bands[2].color), 0);
    EXPECT_EQ(Blue(bands[3].color), 1);
    EXPECT_EQ(Blue(bands[128].color), 50);
}

TEST(GradientBands, ComponentsOutsideTheByteRangeWrap) {
    const struct {
        int start[3];
        int end[3];
        int band;
        ColorValue expected;
    } cases[] = {
        {{256, 256, 256}, {256, 256, 256}, 0, 0x000000u},
        {{256, 256, 256}, {256, 256, 256}, 255, 0x000000u},
        {{-1, 0, 511}, {-1, 0, 511}, 100, 0xFF00FFu},
        {{0, 0, 0}, {510, 0, 0}, 200, 0x000090u}, // red 400 paints as 144
        {{0, 0, 0}, {0, 0, -255}, 1, 0xFF0000u},  // blue -1 paints as 255
        {{1000, 0, 0}, {0, 0, 0}, 0, 0x0000E8u},  // 1000 & 0xFF = 232
    };
    for (const auto& c : cases) {
        const std::vector<GradientBand> bands = ComputeGradientBands(c.start, c.end, 768);
        EXPECT_EQ(bands[static_cast<std::size_t>(c.band)].color, c.expected) << c.band;
    }
}

TEST(GradientBands, ExtremeComponentsStillGiveAllBands) {
    // The difference of these components does not fit in 32 bits; the
    // sanitizer build reports an overflow in the step computation.
    const int start[3] = {2147483647, -2147483647 - 1, 0};
    const int end[3] = {-2147483647 - 1, 2147483647, 0};
    const std::vector<GradientBand> bands = ComputeGradientBands(start, end, 768);
    ASSERT_EQ(bands.size(), 256u);
    EXPECT_EQ(bands[255].bottom, 768);
}
