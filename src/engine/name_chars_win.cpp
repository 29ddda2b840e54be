#include "engine/name_chars.h"

#include <windows.h>

bool IsNameCharacter(unsigned char byte) {
    // The zero byte would end the one-character string at once.
    if (byte == 0) {
        return false;
    }
    return IsCharAlphaNumericA(static_cast<CHAR>(byte)) != FALSE;
}
