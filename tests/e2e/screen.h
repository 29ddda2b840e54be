// Reading what the screen shows: single pixels and whole-screen pictures. The screen's
// device context shows every process's windows, so this sees the wizard's painting.
#ifndef VL_TESTS_E2E_SCREEN_H
#define VL_TESTS_E2E_SCREEN_H

#include <windows.h>

#include <ostream>
#include <string>

namespace e2e {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;

    friend bool operator==(const Rgb& a, const Rgb& b) {
        return a.red == b.red && a.green == b.green && a.blue == b.blue;
    }
    friend bool operator!=(const Rgb& a, const Rgb& b) { return !(a == b); }
    friend std::ostream& operator<<(std::ostream& out, const Rgb& c) {
        return out << "(" << c.red << "," << c.green << "," << c.blue << ")";
    }
};

// The primary screen's size in pixels.
SIZE ScreenSize();

// The colour at a screen pixel; (-1,-1,-1) when it cannot be read.
Rgb ScreenPixel(int x, int y);

// Waits until the pixel shows `expected` (painting reaches the screen a little after the
// window procedure drew it). Returns the colour last read.
Rgb WaitForScreenPixel(int x, int y, const Rgb& expected, DWORD timeoutMs);

// Saves the whole screen as an uncompressed 24-bit BMP file. Returns false on failure.
bool SaveScreenshot(const std::string& windowsPath);

} // namespace e2e

#endif
