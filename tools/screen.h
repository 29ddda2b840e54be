// Whole-screen pictures for the demo: the screen's device context shows every process's
// windows, so this sees the wizard as a user does.
#ifndef VL_TOOLS_SCREEN_H
#define VL_TOOLS_SCREEN_H

#include <string>

namespace demo {

// Saves the whole screen as an uncompressed 24-bit BMP file. Returns false on failure.
bool SaveScreenshot(const std::string& windowsPath);

} // namespace demo

#endif
