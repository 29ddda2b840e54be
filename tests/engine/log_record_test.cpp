#include "engine/log_record.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/sha256.h"
#include "engine/uninstall_entry.h"

// The standard vectors, fed in pieces; the digest asked for after each piece is that of what
// was fed so far and does not end the stream.
TEST(Sha256, StandardVectorsFedInPieces) {
    const struct {
        std::string text;
        std::size_t piece;
        const char* digest;
    } rows[] = {
        {"", 1, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", 1, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 3,
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), 4093,
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& row : rows) {
        Sha256 hash;
        for (std::size_t at = 0; at < row.text.size(); at += row.piece) {
            const std::string piece = row.text.substr(at, row.piece);
            hash.Update(piece.data(), piece.size());
            if (at < 100) {
                EXPECT_EQ(hash.HexDigest(), Sha256Hex(row.text.substr(0, at + piece.size())));
            }
        }
        EXPECT_EQ(hash.HexDigest(), row.digest) << row.text.size();
        EXPECT_EQ(Sha256Hex(row.text), row.digest) << row.text.size();
    }
}

TEST(LogRecord, LogMatchesOnlyAWellFormedRecordOfItsLengthAndHash) {
    const std::string first = "QLUNLOG V1\r\n[FILES]\r\n";
    const std::string log = first + "C:\\a.txt\r\nNONSHARED\r\n";
    LogRecorder recorder;
    recorder.Append("stale");
    recorder.Reset();
    recorder.Append(first);
    recorder.Append(log.substr(first.size()));
    const std::string both = LogRecordText(recorder.Previous(), recorder.Current());
    const std::string abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    EXPECT_EQ(LogRecordText(LogStateOf("abc")), "3 " + abc);
    std::string changed = log;
    changed[14] ^= 0x20;
    const struct {
        const char* what;
        std::string log;
        std::string record;
        bool matches;
    } rows[] = {
        {"current", log, both, true},
        {"previous", first, both, true},
        {"written whole", log, LogRecordText(LogStateOf(log)), true},
        {"empty log", "", LogRecordText(LogRecorder().Current()), true},
        {"one byte changed", changed, both, false},
        {"grown", log + "\r\n", both, false},
        {"truncated", log.substr(0, log.size() - 2), both, false},
        {"by hand", "abc", "3 " + abc, true},
        {"two alike", "abc", "3 " + abc + ";3 " + abc, true},
        {"empty record", "abc", "", false},
        {"extra text", "abc", "3 " + abc + " ", false},
        {"trailing NUL", "abc", "3 " + abc + std::string(1, '\0'), false},
        {"three states", "abc", "3 " + abc + ";3 " + abc + ";3 " + abc, false},
        {"empty state", "abc", "3 " + abc + ";", false},
        {"sign", "abc", "+3 " + abc, false},
        {"leading zero", "abc", "03 " + abc, false},
        {"leading blank", "abc", " 3 " + abc, false},
        {"two blanks", "abc", "3  " + abc, false},
        {"no length", "abc", " " + abc, false},
        {"capitals", "abc", "3 BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD",
         false},
        {"short hash", "abc", "3 " + abc.substr(1), false},
        {"overflow to 3", "abc", "18446744073709551619 " + abc, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(LogMatchesRecord(row.log, row.record), row.matches) << row.what;
    }
}

TEST(LogRecord, OnlyTheQuotedPathOfThisUninstallerIsItsCommand) {
    const std::string self = "C:\\Program Files\\Demo\\VLUninstall.exe";
    const struct {
        std::string command;
        bool names;
    } rows[] = {
        {UninstallCommand("C:\\Program Files\\Demo"), true},
        {UninstallCommand("c:/program files/demo/"), true},
        {"\"C:\\Program Files\\Old\\..\\Demo\\VLUninstall.exe\"", true},
        {self, false},
        {"\"" + self + "\" /S", false},
        {"\"" + self + "\" ", false},
        {"\"" + self, false},
        {UninstallCommand("C:\\Program Files\\Other"), false},
        {"\"C:Program Files\\Demo\\VLUninstall.exe\"", false},
        // The quote inside ends the program's path: C:\a\..\Program would run.
        {"\"C:\\a\"\\..\\Program Files\\Demo\\VLUninstall.exe\"", false},
        {"\"\"", false},
        {"", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CommandNamesUninstaller(row.command, self), row.names) << row.command;
    }
}
