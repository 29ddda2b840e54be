#pragma once

#include <cstddef>
#include <cstdint>

// The expanded size in bytes of files[index]'s source (a compressed source
// counts with its unpacked size), or 0 when it cannot be determined. A split
// file counts whole at its last part; its earlier parts count 0.
uint32_t QuerySourceSize(std::size_t index);
