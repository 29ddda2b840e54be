#include "screen.h"

#include "test_support.h"

namespace demo {

namespace {

// The screen's device context, released on scope exit.
class ScreenDc {
  public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_)
            ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const { return dc_; }

  private:
    HDC dc_;
};

// A memory device context with one bitmap selected into it; both go on scope exit.
class MemoryCanvas {
  public:
    MemoryCanvas(HDC compatible, const BITMAPINFO& format)
        : dc_(CreateCompatibleDC(compatible)),
          bitmap_(CreateDIBSection(compatible, &format, DIB_RGB_COLORS, &bits_, nullptr, 0)) {
        if (dc_ && bitmap_)
            previous_ = SelectObject(dc_, bitmap_);
    }
    ~MemoryCanvas() {
        if (previous_)
            SelectObject(dc_, previous_);
        if (bitmap_)
            DeleteObject(bitmap_);
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;

    bool IsValid() const { return previous_ != nullptr && bits_ != nullptr; }
    HDC Dc() const { return dc_; }
    const void* Bits() const { return bits_; }

  private:
    HDC dc_;
    void* bits_ = nullptr;
    HBITMAP bitmap_;
    HGDIOBJ previous_ = nullptr;
};

} // namespace

bool SaveScreenshot(const std::string& windowsPath) {
    const SIZE size{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size.cx;
    format.bmiHeader.biHeight = size.cy; // bottom-up rows, as a BMP file stores them
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(size.cx) * 3 + 3) & ~3u;
    const DWORD imageBytes = stride * static_cast<DWORD>(size.cy);

    ScreenDc screen;
    MemoryCanvas canvas(screen.Get(), format);
    if (!screen.Get() || !canvas.IsValid() ||
        !BitBlt(canvas.Dc(), 0, 0, size.cx, size.cy, screen.Get(), 0, 0, SRCCOPY))
        return false;
    GdiFlush();

    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42; // "BM"
    header.bfOffBits = sizeof header + sizeof format.bmiHeader;
    header.bfSize = header.bfOffBits + imageBytes;
    format.bmiHeader.biSizeImage = imageBytes;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(reinterpret_cast<const char*>(&format.bmiHeader), sizeof format.bmiHeader);
    bytes.append(static_cast<const char*>(canvas.Bits()), imageBytes);
    return vltest::WriteBytes(windowsPath, bytes);
}

} // namespace demo
