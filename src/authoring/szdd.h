#pragma once

#include <string>
#include <string_view>

// The platform's LZ format ("SZDD"), which the version-installation service
// and LZCopy expand: a 14-byte header, then LZSS over a 4096-byte window.

// The compressed form of `data`. `replacedCharacter` is the character that
// the compressed file's name replaced with '_' (0 when none was replaced);
// the header keeps it so that expanding tools can restore the name. Data of
// 4 GiB or more does not fit the header's size field: the caller keeps such
// files as they are.
std::string CompressSzdd(std::string_view data, char replacedCharacter);

// The name under which the platform's compress tool stores a file: the last
// character of a three-letter (or longer) extension becomes '_', a shorter
// extension gets '_' appended, a name without extension gets "._".
// `replacedCharacter` receives the replaced character, or 0.
std::string CompressedName(const std::string& name, char& replacedCharacter);
