#pragma once

#include <string>

// Reads a script-facing number: leading white space, an optional sign, then
// decimal digits up to the first other character. No digits give 0. Overflow
// wraps around in 32 bits instead of being reported.
int LenientNumber(const std::string& text);

// 1 when the text's number is nonzero, else 0.
int LenientFlag(const std::string& text);
