#include <windows.h>

#include <gtest/gtest.h>

#include "engine/name_chars.h"
#include "ui/dynamic_windows.h"

namespace {

struct TypeCase {
    const char* type;
    const char* className;
    DWORD style;
    DWORD extendedStyle;
};

TEST(DynamicWindows, ControlTypesChooseClassAndStyles) {
    const TypeCase cases[] = {
        {"CHECKBOX", "BUTTON", BS_AUTOCHECKBOX, 0},
        {"CHECKBOX_BTNSTYLE", "BUTTON", 0x1003, 0},
        {"OPTION", "BUTTON", BS_AUTORADIOBUTTON, 0},
        {"OPTION_BTNSTYLE", "BUTTON", 0x1009, 0},
        {"LABEL", "STATIC", 0, 0},
        {"EDIT", "EDIT", 0, 0x280},
        {"BUTTON", "BUTTON", 0, 0},
        {"checkbox", "checkbox", 0, 0}, // types are case-sensitive: a class name
        {"SysListView32", "SysListView32", 0, 0},
    };
    for (const TypeCase& c : cases) {
        const ControlClass kind = ControlClassForType(c.type);
        EXPECT_EQ(kind.className, c.className) << c.type;
        EXPECT_EQ(kind.style, c.style) << c.type;
        EXPECT_EQ(kind.extendedStyle, c.extendedStyle) << c.type;
    }
}

// The native build classifies name characters with a code page 1252 table; it
// must agree with the platform for every byte, or scripts would read
// differently in the two builds.
TEST(NameCharacters, NativeTableAgreesWithThePlatformUnderCodePage1252) {
    if (GetACP() != 1252) {
        GTEST_SKIP() << "ANSI code page is " << GetACP();
    }
    for (int byte = 1; byte < 256; ++byte) {
        const bool platform = IsCharAlphaNumericA(static_cast<CHAR>(byte)) != FALSE;
        EXPECT_EQ(IsNameCharacter(static_cast<unsigned char>(byte)), platform) << "byte " << byte;
    }
}

} // namespace
