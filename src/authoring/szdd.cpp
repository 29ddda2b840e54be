#include "authoring/szdd.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t kWindow = 4096;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 18; // four bits of length, plus the minimum
// The expanding side writes the first byte at window position 4096 - 16.
constexpr std::size_t kStartPosition = kWindow - 16;
// A match never reaches back into the bytes it is about to overwrite.
constexpr std::size_t kMaxDistance = kWindow - kMaxMatch;
// How many earlier positions with the same three-byte prefix are tried: a
// bound that keeps long runs of equal data linear.
constexpr int kMaxChain = 64;
constexpr std::size_t kHashSize = 1u << 14;

std::size_t HashAt(const unsigned char* p) {
    return ((static_cast<std::size_t>(p[0]) << 8) ^ (static_cast<std::size_t>(p[1]) << 4) ^ p[2]) &
           (kHashSize - 1);
}

void PutLittleEndian32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

} // namespace

std::string CompressSzdd(std::string_view data, char replacedCharacter) {
    std::string out = "SZDD\x88\xF0\x27\x33";
    out.push_back('A');
    out.push_back(replacedCharacter);
    PutLittleEndian32(out, static_cast<uint32_t>(data.size()));

    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    const std::size_t size = data.size();
    // Chains of earlier positions with the same prefix; -1 ends a chain.
    std::vector<int64_t> head(kHashSize, -1);
    std::vector<int64_t> previous(kWindow, -1);
    const auto insert = [&](std::size_t position) {
        if (position + kMinMatch <= size) {
            const std::size_t hash = HashAt(bytes + position);
            previous[position % kWindow] = head[hash];
            head[hash] = static_cast<int64_t>(position);
        }
    };

    // Items go out in groups of eight behind a flag byte: bit set for a
    // literal byte, clear for a match of two bytes.
    std::size_t flagIndex = 0;
    int items = 8;
    std::size_t position = 0;
    while (position < size) {
        if (items == 8) {
            flagIndex = out.size();
            out.push_back('\0');
            items = 0;
        }
        std::size_t bestLength = 0;
        std::size_t bestStart = 0;
        if (position + kMinMatch <= size) {
            const std::size_t limit = std::min(kMaxMatch, size - position);
            int64_t candidate = head[HashAt(bytes + position)];
            for (int tries = 0; candidate >= 0 && tries < kMaxChain; ++tries) {
                const std::size_t start = static_cast<std::size_t>(candidate);
                if (position - start > kMaxDistance) {
                    break;
                }
                // Overlapping the current position is fine: the expanding
                // side copies byte by byte, so a match repeats a run.
                std::size_t length = 0;
                while (length < limit && bytes[start + length] == bytes[position + length]) {
                    ++length;
                }
                if (length > bestLength) {
                    bestLength = length;
                    bestStart = start;
                    if (length == limit) {
                        break;
                    }
                }
                candidate = previous[start % kWindow];
            }
        }
        if (bestLength >= kMinMatch) {
            const std::size_t windowPosition = (kStartPosition + bestStart) % kWindow;
            out.push_back(static_cast<char>(windowPosition & 0xFF));
            out.push_back(
                static_cast<char>(((windowPosition >> 4) & 0xF0) | (bestLength - kMinMatch)));
            for (std::size_t i = 0; i < bestLength; ++i) {
                insert(position + i);
            }
            position += bestLength;
        } else {
            out[flagIndex] = static_cast<char>(out[flagIndex] | (1 << items));
            out.push_back(static_cast<char>(bytes[position]));
            insert(position);
            ++position;
        }
        ++items;
    }
    return out;
}

std::string CompressedName(const std::string& name, char& replacedCharacter) {
    replacedCharacter = 0;
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return name + "._";
    }
    if (name.size() - dot - 1 < 3) {
        return name + "_";
    }
    replacedCharacter = name.back();
    return name.substr(0, name.size() - 1) + "_";
}
