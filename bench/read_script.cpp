// Reads a script of 100,000 AddFile statements (about 10 MB) with the wizard's
// reader and prints the best of five times in milliseconds.
#include <chrono>
#include <cstdio>
#include <string>

#include "engine/script_reader.h"

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "bench-script.ini";
    const int statements = 100000;
    std::string text;
    for (int i = 0; i < statements; ++i) {
        const std::string n = std::to_string(i);
        text += "AddFile(\"[SP]\\disk1\\files\\file" + n + ".dat\", \"[DP]\\files\\file" + n +
                ".dat\", \"Main\", \"0\", \"1\", \"0\", \"0\", \"0\", \"0\", \"\");\r\n";
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    std::fclose(file);
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        ScriptReader reader;
        const auto start = std::chrono::steady_clock::now();
        reader.ReadScript(path);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        best = ms < best ? ms : best;
        if (reader.StatementCount() != statements) {
            std::fprintf(stderr, "read %d statements\n", reader.StatementCount());
            return 1;
        }
    }
    std::remove(path.c_str());
    std::printf("%.1f %zu\n", best, text.size());
    return 0;
}
