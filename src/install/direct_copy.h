#pragma once

#include <cstdint>
#include <string>

// A new, uncompressed, non-shared file is copied as it is, without the
// version service: with no copy in place there is no version to compare, no
// question to ask and nothing to expand, and the service would cost twice the
// directory work (a temporary name, a copy, a rename). The file it leaves is
// the one the service leaves: the same bytes, a normal file (a read-only
// source on a CD gives a writable one), the source's last-write time.

// The result when the version service must install the file after all: the
// source is compressed, or something of the destination's name appeared since
// it was found missing (nothing is ever replaced here).
constexpr std::uint32_t kTakeTheService = 0x80000000u;

// Copies `source` to the new file `destination`. Returns 0, kTakeTheService,
// or the version service's result bit for the failure (the source cannot be
// read, the destination cannot be made, the disk is full, the name is in use),
// so that the user gets the message the service's result would give. A failed
// copy leaves nothing at `destination`.
std::uint32_t CopyDirectly(const std::string& source, const std::string& destination);
