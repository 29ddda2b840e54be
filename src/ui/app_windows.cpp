#include "ui/app_windows.h"

#include <string>

#include "engine/variables.h"
#include "platform/app_state.h"
#include "platform/quit_question.h"
#include "engine/background_settings.h"
#include "engine/gradient.h"

const char kSplashBanner[] = "Velmora wizard 1.0\nInformation: https://velmora.example/wizard";

namespace {

const char kSplashLine[] = "Velmora wizard is initializing";

void PaintGradient(HDC dc) {
    const std::vector<GradientBand> bands = ComputeGradientBands(
        backgroundSettings.gradientStart, backgroundSettings.gradientEnd, screenHeight);
    for (const GradientBand& band : bands) {
        RECT rect = {0, band.top, screenWidth, band.bottom};
        HBRUSH brush = CreateSolidBrush(band.color);
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
    }
}

void PaintCaption(HDC dc) {
    const std::string caption = variables.Lookup("CAPTION");
    HFONT font =
        CreateFontA(-MulDiv(backgroundSettings.captionSize, GetDeviceCaps(dc, LOGPIXELSY), 72), 0,
                    0, 0, 900, TRUE, FALSE, FALSE, ANSI_CHARSET, 0, 0, PROOF_QUALITY, 0, "Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    const int length = static_cast<int>(caption.size());
    SetTextColor(dc, backgroundSettings.captionColor1);
    TextOutA(dc, backgroundSettings.captionPos1.x, backgroundSettings.captionPos1.y,
             caption.c_str(), length);
    if (backgroundSettings.captionColor1 != backgroundSettings.captionColor2) {
        SetTextColor(dc, backgroundSettings.captionColor2);
        TextOutA(dc, backgroundSettings.captionPos2.x, backgroundSettings.captionPos2.y,
                 caption.c_str(), length);
    }
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

// The whole picture is built off screen and copied in one go, so the
// background never shows half-drawn.
void PaintBackground(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, screenWidth, screenHeight);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    PaintGradient(memory);
    PaintCaption(memory);
    BitBlt(dc, 0, 0, screenWidth, screenHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteDC(memory);
    DeleteObject(bitmap);
    EndPaint(window, &paint);
    if (backgroundSettings.redrawWait > 0) {
        Sleep(static_cast<DWORD>(backgroundSettings.redrawWait));
    }
}

void PaintSplash(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    SetBkMode(dc, TRANSPARENT);

    RECT line = client;
    DrawTextA(dc, kSplashLine, -1, &line, DT_CALCRECT);
    const int lineWidth = line.right - line.left;
    const int lineHeight = line.bottom - line.top;
    line.left = 200 - lineWidth / 2;
    line.top = 100 - lineHeight / 2;
    line.right = line.left + lineWidth;
    line.bottom = line.top + lineHeight;
    DrawTextA(dc, kSplashLine, -1, &line, 0);

    HFONT font = CreateFontA(-MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, 0, TRUE, FALSE,
                             FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    RECT banner = client;
    banner.left = 0;
    DrawTextA(dc, kSplashBanner, -1, &banner, DT_CALCRECT | DT_CENTER);
    const int bannerWidth = banner.right - banner.left;
    const int bannerHeight = banner.bottom - banner.top;
    banner.top = 180 - bannerHeight;
    banner.bottom = 180;
    banner.left = 200 - bannerWidth / 2;
    banner.right = banner.left + bannerWidth;
    DrawTextA(dc, kSplashBanner, -1, &banner, DT_CENTER);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    EndPaint(window, &paint);
}

} // namespace

LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == mainWindow && mainWindow != nullptr) {
        switch (message) {
        case WM_PAINT:
            PaintBackground(window);
            return 0;
        case WM_DESTROY:
            // Alt+F4 or any WM_CLOSE takes the background away; every page is
            // owned by it, so the run cannot go on and ends as a quit.
            ConfirmQuit(0);
            return 0;
        default:
            break;
        }
    } else if (window == splashWindow && splashWindow != nullptr && message == WM_PAINT) {
        PaintSplash(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
