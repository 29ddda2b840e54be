#include "authoring/pack_names.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/path_text.h"

namespace {

// The characters of bytes 0x80 to 0x9F in code page 1252; 0 where it has none.
// Bytes 0xA0 to 0xFF are the characters U+00A0 to U+00FF.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The next character of `text` from `i` on; false for bytes that are no UTF-8.
bool NextCharacter(const std::string& text, std::size_t& i, uint32_t& character) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    const int more = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
    if (more < 0 || lead > 0xF4) {
        return false;
    }
    character = more == 0 ? lead : lead & (0x3F >> more);
    for (int k = 1; k <= more; ++k) {
        if (i + k >= text.size() || (byte(i + k) & 0xC0) != 0x80) {
            return false;
        }
        character = (character << 6) | (byte(i + k) & 0x3F);
    }
    i += static_cast<std::size_t>(more) + 1;
    // Overlong forms, surrogates and code points beyond Unicode.
    const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    return character >= least[more] && (character < 0xD800 || character > 0xDFFF) &&
           character <= 0x10FFFF;
}

char Cp1252Byte(uint32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
        return static_cast<char>(character);
    }
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] != 0 && kHighControls[i] == character) {
            return static_cast<char>(0x80 + i);
        }
    }
    return 0;
}

} // namespace

bool Cp1252FromUtf8(const std::string& utf8, std::string& cp1252) {
    cp1252.clear();
    bool whole = true;
    for (std::size_t i = 0; i < utf8.size();) {
        uint32_t character = 0;
        if (!NextCharacter(utf8, i, character)) {
            ++i;
            character = 0x80; // a C1 control: no byte of code page 1252
        }
        const char byte = Cp1252Byte(character);
        whole = whole && byte != 0;
        cp1252 += byte != 0 ? byte : '_';
    }
    return whole;
}

std::string PathProblem(const std::string& cp1252) {
    const std::size_t open = cp1252.find('[');
    if (open != std::string::npos && cp1252.find(']', open) != std::string::npos) {
        return "holds [ and ], which the wizard reads as a variable reference";
    }
    for (std::size_t start = 0; start <= cp1252.size();) {
        const std::size_t end = std::min(cp1252.find('/', start), cp1252.size());
        const std::string name = cp1252.substr(start, end - start);
        for (const char c : name) {
            if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\\:*?\"<>|", c) != nullptr) {
                return "holds a character that Windows file names cannot hold";
            }
        }
        if (IsDeviceName(name)) {
            return "'" + name + "' is a device to Windows, not a file";
        }
        if (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
            return "'" + name + "' ends in a dot or a blank, which Windows drops";
        }
        start = end + 1;
    }
    return "";
}

std::string CaseFolded(std::string cp1252) {
    for (char& c : cp1252) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)) {
            c = static_cast<char>(byte - 0x20);
        } else if (byte == 0x9A || byte == 0x9C || byte == 0x9E) {
            c = static_cast<char>(byte - 0x10); // s, oe and z with caron or ligature
        } else if (byte == 0xFF) {
            c = static_cast<char>(0x9F); // y diaeresis
        }
    }
    return cp1252;
}
