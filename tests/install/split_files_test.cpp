#include "install/split_files.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "engine/model.h"

// Records in script order, one letter each: the file a part belongs to, upper case for a
// last part, '-' for a record of the file before it that is no part; and the parts that
// start their file afresh. x and y share their file name in different folders.
TEST(SplitFiles, FirstPartIsDecidedPerDestinationName) {
    const struct {
        const char* records;
        const char* starts;
    } rows[] = {
        {"aaA", "y.."},   {"xyXY", "yy.."}, {"xyYxX", "yy..."},
        {"xXxX", "y.y."}, {"x-X", "y--"},   {"XyxYX", "yyy.."},
    };
    for (const auto& row : rows) {
        std::vector<FileRecord> files;
        char name = '?';
        for (const char* c = row.records; *c; ++c) {
            FileRecord record;
            record.splitPart = *c != '-';
            record.lastPart = std::isupper(static_cast<unsigned char>(*c)) != 0;
            name = *c == '-' ? name : static_cast<char>(std::tolower(*c));
            record.destination =
                name == 'a' ? "[DP]\\a.bin" : std::string("[DP]\\") + name + "\\same.bin";
            files.push_back(record);
        }
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (files[i].splitPart) {
                EXPECT_EQ(StartsSplitFile(files, i), row.starts[i] == 'y') << row.records << i;
            }
        }
    }
}
