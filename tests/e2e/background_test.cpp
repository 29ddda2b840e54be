// The full-screen background window's gradient, read from the screen while a page is shown.
#include "screen.h"
#include "wizard_fixture.h"

#include <fstream>
#include <iterator>

namespace e2e {
namespace {

using BackgroundTest = WizardTest;

// The gradient has 256 bands of height H / 256; band i has start + i * (end - start) / 255.
// The test colours step by whole numbers, so no rounding is involved.
struct Gradient {
    Rgb start;
    Rgb end;

    Rgb BandColor(int band) const {
        auto component = [band](int from, int to) { return from + band * (to - from) / 255; };
        return Rgb{component(start.red, end.red), component(start.green, end.green),
                   component(start.blue, end.blue)};
    }
};

// A point in the middle row of `band`, near the right edge: no page and no caption there.
POINT BandPoint(int band) {
    const SIZE screen = ScreenSize();
    const float bandHeight = static_cast<float>(screen.cy) / 256.0f;
    return POINT{screen.cx - 24,
                 static_cast<int>(band * bandHeight) + static_cast<int>(bandHeight / 2.0f)};
}

// With the welcome page up, checks bands from the top one to the bottom one.
void ExpectGradientWhilePageIsShown(WizardProcess& wizard, const Gradient& gradient) {
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page) << "the welcome page never showed";
    for (int band : {0, 1, 64, 128, 192, 254, 255}) {
        const POINT point = BandPoint(band);
        const Rgb expected = gradient.BandColor(band);
        EXPECT_EQ(WaitForScreenPixel(point.x, point.y, expected, 5000), expected)
            << "band " << band << " at (" << point.x << "," << point.y << ")";
    }
    ClickButton(page, kNextId);
}

TEST_F(BackgroundTest, DefaultGradientRunsFromBlueAtTheTopToBlackAtTheBottom) {
    WizardProcess& wizard = StartWithScript(CrLfScript({"ShowWelcome();"}));
    ExpectGradientWhilePageIsShown(wizard, Gradient{Rgb{0, 0, 255}, Rgb{0, 0, 0}});
    ExpectExitCode(0);
}

TEST_F(BackgroundTest, SetBackgroundPaintsItsColours) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(SetBackground("255", "0", "0", "0", "255", "0");)",
        "ShowWelcome();",
    }));
    ExpectGradientWhilePageIsShown(wizard, Gradient{Rgb{255, 0, 0}, Rgb{0, 255, 0}});
    ExpectExitCode(0);
}

// Reads a pixel of a bottom-up 24-bit BMP file as SaveScreenshot writes it.
Rgb BmpPixel(const std::string& bytes, int x, int y) {
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    memcpy(&file, bytes.data(), sizeof file);
    memcpy(&info, bytes.data() + sizeof file, sizeof info);
    const int stride = (info.biWidth * 3 + 3) & ~3;
    const size_t at = file.bfOffBits + static_cast<size_t>(info.biHeight - 1 - y) * stride +
                      static_cast<size_t>(x) * 3;
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    return Rgb{byte(at + 2), byte(at + 1), byte(at)};
}

TEST_F(BackgroundTest, ScreenshotHoldsWhatTheScreenShows) {
    WizardProcess& wizard = StartWithScript(CrLfScript({"ShowWelcome();"}));
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page);
    // The page's middle shows its plain face (no text, left of the texts, right of the
    // picture); the top band shows the gradient's start. Wait until both are on the screen.
    RECT pageRect;
    ASSERT_TRUE(GetWindowRect(page, &pageRect));
    const POINT middle{(pageRect.left + pageRect.right) / 2, (pageRect.top + pageRect.bottom) / 2};
    const COLORREF faceColor = GetSysColor(COLOR_BTNFACE);
    const Rgb face{GetRValue(faceColor), GetGValue(faceColor), GetBValue(faceColor)};
    ASSERT_EQ(WaitForScreenPixel(middle.x, middle.y, face, 5000), face);
    const POINT top = BandPoint(0);
    const Rgb blue{0, 0, 255};
    ASSERT_EQ(WaitForScreenPixel(top.x, top.y, blue, 5000), blue);

    const std::string path = Dir().PathOf("screen.bmp");
    ASSERT_TRUE(SaveScreenshot(path));
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const SIZE screen = ScreenSize();
    const size_t headers = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    ASSERT_EQ(bytes.size(), headers + static_cast<size_t>((screen.cx * 3 + 3) & ~3) * screen.cy);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(BmpPixel(bytes, top.x, top.y), blue);
    EXPECT_EQ(BmpPixel(bytes, middle.x, middle.y), face) << "the page's middle";

    ClickButton(page, kNextId);
    ExpectExitCode(0);
}

} // namespace
} // namespace e2e
