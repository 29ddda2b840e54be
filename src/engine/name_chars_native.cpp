#include "engine/name_chars.h"

bool IsNameCharacter(unsigned char byte) {
    return IsCp1252NameCharacter(byte);
}
