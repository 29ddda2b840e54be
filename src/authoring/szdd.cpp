#include "authoring/szdd.h"

#include <algorithm>

#include "authoring/pack_names.h"

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
// Bytes ahead of a position before it is coded: a whole match, and the
// prefixes of the positions inside it that go into the chains.
constexpr std::size_t kLookAhead = kMaxMatch + kMinMatch;
// Coded bytes kept beyond the window before the buffer is shortened.
constexpr std::size_t kSlack = 1u << 16;

void PutLittleEndian32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

} // namespace

SzddCompressor::SzddCompressor(uint64_t size, char replacedCharacter)
    : head_(kHashSize, -1), previous_(kWindow, -1) {
    out_ = "SZDD\x88\xF0\x27\x33";
    out_.push_back('A');
    out_.push_back(replacedCharacter);
    PutLittleEndian32(out_, static_cast<uint32_t>(size));
}

void SzddCompressor::Write(std::string_view data) {
    input_.append(data.data(), data.size());
    Code(false);
}

void SzddCompressor::Finish() {
    Code(true);
    out_ += group_;
    group_.clear();
}

void SzddCompressor::Insert(uint64_t position) {
    if (position + kMinMatch <= start_ + input_.size()) {
        const std::size_t hash =
            ((static_cast<std::size_t>(At(position)) << 8) ^
             (static_cast<std::size_t>(At(position + 1)) << 4) ^ At(position + 2)) &
            (kHashSize - 1);
        previous_[position % kWindow] = head_[hash];
        head_[hash] = static_cast<int64_t>(position);
    }
}

// Items go out in groups of eight behind a flag byte: bit set for a literal
// byte, clear for a match of two bytes.
void SzddCompressor::Code(bool final) {
    const uint64_t end = start_ + input_.size();
    while (position_ < end && (final || position_ + kLookAhead <= end)) {
        if (items_ == 0) {
            group_.assign(1, '\0');
        }
        std::size_t bestLength = 0;
        uint64_t bestStart = 0;
        if (position_ + kMinMatch <= end) {
            const std::size_t limit =
                static_cast<std::size_t>(std::min<uint64_t>(kMaxMatch, end - position_));
            const std::size_t hash =
                ((static_cast<std::size_t>(At(position_)) << 8) ^
                 (static_cast<std::size_t>(At(position_ + 1)) << 4) ^ At(position_ + 2)) &
                (kHashSize - 1);
            int64_t candidate = head_[hash];
            for (int tries = 0; candidate >= 0 && tries < kMaxChain; ++tries) {
                const auto start = static_cast<uint64_t>(candidate);
                if (position_ - start > kMaxDistance) {
                    break;
                }
                // Overlapping the current position is fine: the expanding
                // side copies byte by byte, so a match repeats a run.
                std::size_t length = 0;
                while (length < limit && At(start + length) == At(position_ + length)) {
                    ++length;
                }
                if (length > bestLength) {
                    bestLength = length;
                    bestStart = start;
                    if (length == limit) {
                        break;
                    }
                }
                candidate = previous_[start % kWindow];
            }
        }
        if (bestLength >= kMinMatch) {
            const std::size_t windowPosition = (kStartPosition + bestStart) % kWindow;
            group_.push_back(static_cast<char>(windowPosition & 0xFF));
            group_.push_back(
                static_cast<char>(((windowPosition >> 4) & 0xF0) | (bestLength - kMinMatch)));
            for (std::size_t i = 0; i < bestLength; ++i) {
                Insert(position_ + i);
            }
            position_ += bestLength;
        } else {
            group_[0] = static_cast<char>(group_[0] | (1 << items_));
            group_.push_back(static_cast<char>(At(position_)));
            Insert(position_);
            ++position_;
        }
        if (++items_ == 8) {
            out_ += group_;
            group_.clear();
            items_ = 0;
        }
    }
    if (position_ - start_ > kWindow + kSlack) {
        const uint64_t keep = position_ - kWindow;
        input_.erase(0, static_cast<std::size_t>(keep - start_));
        start_ = keep;
    }
}

std::string CompressedName(const std::string& name, char& replacedCharacter) {
    replacedCharacter = 0;
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return name + "._";
    }
    // Characters, not bytes: a character may take several bytes of UTF-8.
    const auto first = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; };
    if (std::count_if(name.begin() + static_cast<std::ptrdiff_t>(dot) + 1, name.end(), first) < 3) {
        return name + "_";
    }
    std::size_t last = name.size() - 1;
    while (!first(name[last])) {
        --last;
    }
    std::string cp1252;
    Cp1252FromUtf8(name.substr(last), cp1252);
    replacedCharacter = cp1252.empty() ? 0 : cp1252[0];
    return name.substr(0, last) + "_";
}
