#include "engine/name_chars.h"

#include <windows.h>

#include <gtest/gtest.h>

// The native build reads scripts with the code page 1252 table; under that code
// page the platform must classify every byte the same, or a script would yield
// other statements in the two builds.
TEST(NameCharacters, NativeTableAgreesWithThePlatformUnderCodePage1252) {
    if (GetACP() != 1252) {
        GTEST_SKIP() << "the ANSI code page is " << GetACP();
    }
    for (int byte = 1; byte < 256; ++byte) {
        const auto b = static_cast<unsigned char>(byte);
        EXPECT_EQ(IsCp1252NameCharacter(b), IsNameCharacter(b)) << "byte 0x" << std::hex << byte;
    }
}
