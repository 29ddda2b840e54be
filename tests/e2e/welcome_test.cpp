// The welcome page: the script's title and texts beside the picture.
#include "screen.h"
#include "wizard_fixture.h"

#include <vector>

namespace e2e {
namespace {

constexpr int kUpperTextId = 1001;
constexpr int kLowerTextId = 1000;
constexpr int kPictureId = 106;

// The welcome picture as the program's resources hold it: top-down rows of 0x00RRGGBB.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;

    Rgb At(int x, int y) const {
        const DWORD pixel = pixels[static_cast<size_t>(y) * width + x];
        return Rgb{static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                   static_cast<int>(pixel & 0xFF)};
    }
};

Picture LoadPictureOfTheProgram() {
    Picture picture;
    HMODULE program = LoadLibraryExA(ToWinePath(VL_SETUP_EXE).c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (program == nullptr)
        return picture;
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(program, MAKEINTRESOURCEA(kPictureId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP info = {};
    if (bitmap != nullptr && GetObjectA(bitmap, sizeof info, &info) != 0) {
        BITMAPINFO format = {};
        format.bmiHeader.biSize = sizeof format.bmiHeader;
        format.bmiHeader.biWidth = info.bmWidth;
        format.bmiHeader.biHeight = -info.bmHeight; // top-down
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        std::vector<DWORD> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
        HDC screen = GetDC(nullptr);
        if (GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &format, DIB_RGB_COLORS) ==
            info.bmHeight) {
            picture.width = info.bmWidth;
            picture.height = info.bmHeight;
            picture.pixels = std::move(pixels);
        }
        ReleaseDC(nullptr, screen);
    }
    if (bitmap != nullptr)
        DeleteObject(bitmap);
    FreeLibrary(program);
    return picture;
}

using WelcomeTest = WizardTest;

// Opens the page, hands it to `check`, then goes on with Next and expects a clean end.
template <typename Check> void ShowWelcomeAndCheck(WizardProcess& wizard, Check check) {
    HWND page = wizard.WaitForPage();
    ASSERT_TRUE(page) << "the welcome page never showed";
    check(page);
    ClickButton(page, kNextId);
    EXPECT_TRUE(wizard.WaitUntilGone(page));
}

TEST_F(WelcomeTest, ShowsTheScriptsTitleAndTexts) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(SetWelcomeString("Hello", "My Setup");)",
        R"(SetWelcomeString2("More");)",
        "ShowWelcome();",
    }));
    ShowWelcomeAndCheck(wizard, [](HWND page) {
        EXPECT_EQ(TitleOf(page), "My Setup");
        EXPECT_EQ(ControlText(page, kUpperTextId), "Hello");
        EXPECT_EQ(ControlText(page, kLowerTextId), "More");
    });
    ExpectExitCode(0);
}

TEST_F(WelcomeTest, WithoutWelcomeCommandsTitleAndTextsAreEmpty) {
    WizardProcess& wizard = StartWithScript(CrLfScript({"ShowWelcome();"}));
    ShowWelcomeAndCheck(wizard, [](HWND page) {
        EXPECT_EQ(TitleOf(page), "");
        ASSERT_TRUE(Control(page, kUpperTextId));
        ASSERT_TRUE(Control(page, kLowerTextId));
        EXPECT_EQ(ControlText(page, kUpperTextId), "");
        EXPECT_EQ(ControlText(page, kLowerTextId), "");
    });
    ExpectExitCode(0);
}

TEST_F(WelcomeTest, TextsAreExpandedWhenTheCommandRuns) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(SetAppName("Demo");)",
        R"(SetWelcomeString("Installs [APPNAME].", "[APPNAME] Setup");)",
        R"(SetWelcomeString2("By [DEVELOPERNAME].");)",
        R"(SetDeveloperName("Someone");)",
        "ShowWelcome();",
    }));
    ShowWelcomeAndCheck(wizard, [](HWND page) {
        EXPECT_EQ(TitleOf(page), "Demo Setup");
        EXPECT_EQ(ControlText(page, kUpperTextId), "Installs Demo.");
        // DEVELOPERNAME was still unset when SetWelcomeString2 ran.
        EXPECT_EQ(ControlText(page, kLowerTextId), "By .");
    });
    ExpectExitCode(0);
}

TEST_F(WelcomeTest, ShowsNextAndCancelButNeverLast) {
    WizardProcess& wizard = StartWithScript(CrLfScript({"ShowWelcome();"}));
    ShowWelcomeAndCheck(wizard, [](HWND page) {
        // Each tick of the page-state check switches Next's redrawing off for a moment,
        // which clears its visible style meanwhile: wait for a moment between ticks.
        EXPECT_TRUE(WaitUntil([&] { return IsControlVisible(page, kNextId); }, 1000));
        EXPECT_TRUE(IsControlEnabled(page, kNextId));
        EXPECT_EQ(ControlText(page, kNextId), "Next");
        EXPECT_TRUE(IsControlVisible(page, kCancelId));
        EXPECT_TRUE(IsControlEnabled(page, kCancelId));
        EXPECT_EQ(ControlText(page, kCancelId), "Cancel");
        ASSERT_TRUE(Control(page, kLastId)) << "the Last button is missing";
        EXPECT_FALSE(IsControlVisible(page, kLastId));
        EXPECT_FALSE(IsControlEnabled(page, kLastId));
    });
    ExpectExitCode(0);
}

TEST_F(WelcomeTest, SecondShowReadsTheTextsAgain) {
    WizardProcess& wizard = StartWithScript(CrLfScript({
        R"(SetWelcomeString("One", "First");)",
        "ShowWelcome();",
        R"(SetWelcomeString("Two", "Second");)",
        "ShowWelcome();",
    }));
    ShowWelcomeAndCheck(wizard, [](HWND page) {
        EXPECT_EQ(TitleOf(page), "First");
        EXPECT_EQ(ControlText(page, kUpperTextId), "One");
    });
    ShowWelcomeAndCheck(wizard, [](HWND page) {
        EXPECT_EQ(TitleOf(page), "Second");
        EXPECT_EQ(ControlText(page, kUpperTextId), "Two");
    });
    ExpectExitCode(0);
}

TEST_F(WelcomeTest, PictureSitsAtPixel40And30OfTheClientArea) {
    const Picture picture = LoadPictureOfTheProgram();
    ASSERT_EQ(picture.width, 100);
    ASSERT_EQ(picture.height, 200);
    WizardProcess& wizard = StartWithScript(CrLfScript({"ShowWelcome();"}));
    ShowWelcomeAndCheck(wizard, [&](HWND page) {
        // Corners and middle of the picture, as the screen shows them.
        for (const POINT at : {POINT{0, 0}, POINT{99, 0}, POINT{0, 199}, POINT{99, 199},
                               POINT{50, 100}, POINT{25, 150}}) {
            POINT onScreen{40 + at.x, 30 + at.y};
            ClientToScreen(page, &onScreen);
            const Rgb expected = picture.At(at.x, at.y);
            EXPECT_EQ(WaitForScreenPixel(onScreen.x, onScreen.y, expected, 5000), expected)
                << "picture pixel (" << at.x << "," << at.y << ")";
        }
    });
    ExpectExitCode(0);
}

} // namespace
} // namespace e2e
