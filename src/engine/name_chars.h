#pragma once

// Whether a byte can be part of a statement name: the letters and digits of the
// active ANSI code page. On Windows the platform classifies the byte; the native
// build uses the code page 1252 table so that both builds agree on this system.
bool IsNameCharacter(unsigned char byte);

// The letters and digits of code page 1252, as the platform classifies them
// under the Western European ANSI code page.
bool IsCp1252NameCharacter(unsigned char byte);
