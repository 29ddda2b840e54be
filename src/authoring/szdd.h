#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The platform's LZ format ("SZDD"), which the version-installation service
// and LZCopy expand: a 14-byte header, then LZSS over a 4096-byte window.

// Compresses a stream piece by piece, holding only the window and the bytes
// not yet coded, so that a file of any size takes little memory. The output
// does not depend on how the input is cut into pieces.
class SzddCompressor {
  public:
    // `size` goes into the header: the caller feeds exactly that many bytes,
    // fewer than 4 GiB. `replacedCharacter` is the character that the
    // compressed file's name replaced with '_' (0 when none was replaced);
    // expanding tools restore the name with it.
    SzddCompressor(uint64_t size, char replacedCharacter);

    void Write(std::string_view data);
    void Finish();
    // The compressed bytes so far; the caller takes them away as it likes.
    std::string& Output() { return out_; }

  private:
    void Code(bool final);
    void Insert(uint64_t position);
    unsigned char At(uint64_t position) const {
        return static_cast<unsigned char>(input_[static_cast<std::size_t>(position - start_)]);
    }

    std::string input_;  // the window behind `position_` and the bytes ahead of it
    uint64_t start_ = 0; // the position of input_[0] in the stream
    uint64_t position_ = 0;
    std::vector<int64_t> head_;     // per hash of three bytes: the latest position, or -1
    std::vector<int64_t> previous_; // per position in the window: the one before with its hash
    std::string group_;             // a flag byte and up to eight items
    int items_ = 0;
    std::string out_;
};

// The name under which the platform's compress tool stores a file: the last
// character of a three-letter (or longer) extension becomes '_', a shorter
// extension gets '_' appended, a name without extension gets "._".
// `replacedCharacter` receives the replaced character, or 0.
std::string CompressedName(const std::string& name, char& replacedCharacter);
