#include "engine/name_chars.h"

// Letters and digits of code page 1252, as the Windows classification reports
// them for the Western European ANSI code page.
bool IsCp1252NameCharacter(unsigned char byte) {
    if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
        (byte >= 'a' && byte <= 'z')) {
        return true;
    }
    switch (byte) {
    case 0x83: // f with hook
    case 0x88: // modifier letter circumflex
    case 0x8A: // S caron
    case 0x8C: // OE
    case 0x8E: // Z caron
    case 0x9A: // s caron
    case 0x9C: // oe
    case 0x9E: // z caron
    case 0x9F: // Y diaeresis
    case 0xAA: // feminine ordinal
    case 0xB2: // superscript two (a digit to the platform)
    case 0xB3: // superscript three
    case 0xB5: // micro
    case 0xB9: // superscript one
    case 0xBA: // masculine ordinal
        return true;
    default:
        break;
    }
    // Accented letters, except the multiplication and division signs.
    return byte >= 0xC0 && byte != 0xD7 && byte != 0xF7;
}
