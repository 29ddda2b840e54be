#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// SHA-256 (FIPS 180-4), fed in pieces as a file is written, so that the setup
// can record what its log holds without reading the log back.
class Sha256 {
  public:
    void Update(const void* data, std::size_t size);
    // Lowercase, 64 hex digits, of everything so far. The stream goes on: more
    // Update calls may follow.
    std::string HexDigest() const;

  private:
    void Compress(const unsigned char* block);

    std::uint32_t state_[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                               0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    unsigned char pending_[64] = {};
    std::size_t pendingSize_ = 0;
    std::uint64_t totalSize_ = 0;
};

std::string Sha256Hex(const std::string& bytes);
