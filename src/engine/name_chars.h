#pragma once

// Whether a byte can be part of a statement name: the letters and digits of the
// active ANSI code page. On Windows the platform classifies the byte; the native
// build uses a code page 1252 table so that both builds agree on this system.
bool IsNameCharacter(unsigned char byte);
