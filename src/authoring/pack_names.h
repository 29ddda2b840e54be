#pragma once

#include <string>

// File names as they travel to the wizard: it reads the script in code page
// 1252, and Windows refuses device names and names that end in a dot or a
// blank.

// `utf8` in code page 1252. False when it is no UTF-8 or holds a character
// that code page 1252 lacks; `cp1252` then has '_' for each such character.
bool Cp1252FromUtf8(const std::string& utf8, std::string& cp1252);

// Why Windows or the wizard cannot take the path `cp1252` ('/' between
// names), naming the part at fault; empty when they can.
std::string PathProblem(const std::string& cp1252);

// Equal for two code page 1252 names that Windows takes for one file.
std::string CaseFolded(std::string cp1252);
