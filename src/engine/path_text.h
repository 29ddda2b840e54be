#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Path texts of the installation engine. Paths are held in growable strings, so
// a long path is never cut here; the callers that hand a path to the platform
// decide what to do with one that exceeds its limit.

// Replaces each pair of consecutive backslashes by one, from left to right, and
// returns the result. A scan that removes the first of a pair goes on after the
// remaining backslash, so three backslashes in a row become two and four become
// two. A destination such as "[DP]\file" with DP ending in a backslash yields a
// doubled backslash that this turns back into one. The two backslashes that
// open a network path (\\server\share) are kept.
std::string CollapseBackslashes(const std::string& path);

// The text before the last backslash; empty when the path holds none.
std::string DirectoryOf(const std::string& path);

// The text up to and including the last backslash; empty when the path holds
// none. This is the form the version service wants for a source directory.
std::string DirectoryWithBackslashOf(const std::string& path);

// The text after the last backslash; the whole path when it holds none.
std::string FileNameOf(const std::string& path);

// The directories to create, outermost first, so that `directory` exists:
// every level below its root ("C:\", "\\server\share\", "\"), without trailing
// backslashes. Empty levels (doubled backslashes) are passed over.
std::vector<std::string> DirectoryLevels(const std::string& directory);

// A path as a message shows it: a path longer than 2 * `keep` + 3 characters
// becomes its first and last `keep` characters joined by "...", so that a box
// stays readable whatever the path's length.
std::string ShortenedForDisplay(const std::string& path, std::size_t keep = 120);

// Whether `name` is already a short (8.3) name that the file system keeps as
// its own short form: at most eight characters, a dot and three more, of the
// characters short names allow, and not of mixed case.
bool IsOwnShortName(const std::string& name);

// Whether Windows takes the path component `component` for a device rather than
// a file: CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$ or CONOUT$, in
// any case, also with an extension ("nul.txt") and with trailing dots or blanks
// ("NUL ."). The superscript digits of code page 1252 count as digits there.
bool IsDeviceName(const std::string& component);

// ASCII letters in lower case, other bytes as they are (switch names, command
// words compared without regard to case).
char LowerAscii(char c);
std::string LowerAscii(std::string text);
