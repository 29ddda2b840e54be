#pragma once

// Helpers shared by the fuzz targets: a broken property aborts, which libFuzzer
// reports as a crash and keeps the input; files go to a private directory of
// the fuzzing process.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

inline void Check(bool condition, const char* property) {
    if (!condition) {
        std::fprintf(stderr, "violated: %s\n", property);
        std::abort();
    }
}

// A directory made for this process, in memory where the machine offers that,
// removed when the process ends normally (a crash leaves it for inspection).
inline const char* PrivateDirectory() {
    static char directory[64];
    if (directory[0] == '\0') {
        std::snprintf(directory, sizeof directory, "%s/vl_fuzz_XXXXXX",
                      access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        if (mkdtemp(directory) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(directory, ignored);
        });
    }
    return directory;
}

inline std::string PrivateFile(const char* name) {
    return std::string(PrivateDirectory()) + "/" + name;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    Check(file != nullptr, "a private file can be created");
    Check(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(),
          "a private file is written whole");
    std::fclose(file);
}

inline std::string ReadFile(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    Check(file != nullptr, "a private file can be opened");
    std::string bytes;
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
    }
    std::fclose(file);
    return bytes;
}
