#pragma once

// Helpers shared by the fuzz targets: a broken property aborts, which libFuzzer
// reports as a crash and keeps the input; the file a target reads and writes
// lies in a directory made for the fuzzing process.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <unistd.h>

inline void Check(bool condition, const char* property) {
    if (!condition) {
        std::fprintf(stderr, "violated: %s\n", property);
        std::abort();
    }
}

// Removed when the process ends normally (a crash leaves it for inspection).
inline std::string PrivateFile() {
    static char directory[] = "/tmp/vl_fuzz_XXXXXX";
    static const bool made =
        mkdtemp(directory) != nullptr && std::atexit([] {
                                             std::error_code ignored;
                                             std::filesystem::remove_all(directory, ignored);
                                         }) == 0;
    Check(made, "a private directory is made");
    return std::string(directory) + "/file";
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    Check(static_cast<bool>(file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))),
          "a private file is written whole");
}
