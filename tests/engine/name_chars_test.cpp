#include "engine/name_chars.h"

#include <gtest/gtest.h>

#include <set>

#ifdef _WIN32
#include <windows.h>
#endif

// The native build and the Windows build (whose platform classifies the bytes)
// must agree, so that a script yields the same statements in both.
TEST(NameCharacters, AreTheLettersAndDigitsOfCodePage1252) {
#ifdef _WIN32
    if (GetACP() != 1252) {
        GTEST_SKIP() << "the ANSI code page is " << GetACP();
    }
#endif
    std::set<int> expected = {0x83, 0x88, 0x8A, 0x8C, 0x8E, 0x9A, 0x9C, 0x9E,
                              0x9F, 0xAA, 0xB2, 0xB3, 0xB5, 0xB9, 0xBA};
    for (int byte = '0'; byte <= '9'; ++byte) {
        expected.insert(byte);
    }
    for (int byte = 'A'; byte <= 'Z'; ++byte) {
        expected.insert(byte);
        expected.insert(byte + ('a' - 'A'));
    }
    for (int byte = 0xC0; byte <= 0xFF; ++byte) {
        if (byte != 0xD7 && byte != 0xF7) { // multiplication and division signs
            expected.insert(byte);
        }
    }
    for (int byte = 0; byte < 256; ++byte) {
        EXPECT_EQ(IsNameCharacter(static_cast<unsigned char>(byte)), expected.count(byte) == 1)
            << "byte 0x" << std::hex << byte;
    }
}
