// Hostile and damaged scripts, run by the real wizard: each run shows what its statements
// ask for and ends with their exit code, never crashing or hanging.
#include "e2e_test.h"

#include <random>

namespace e2e {
namespace {

const std::string kReached = R"(ShowMessage("end", "Reached", "", "NOW");)";

// V1 refers to V2 and so on; the values open references that only the shown text closes.
// Followed to its end, the chain would show its last value; it stops part of the way.
std::string Chain(int depth, size_t closing) {
    std::string script;
    for (int i = 1; i < depth; ++i)
        script +=
            "SetVariable(\"V" + std::to_string(i) + "\", \"[V" + std::to_string(i + 1) + "\");\r\n";
    return script + "SetVariable(\"V" + std::to_string(depth) + "\", \"end of chain\");\r\n" +
           "ShowMessage(\"[V1]" + std::string(closing, ']') + "\", \"Chain\", \"\", \"NOW\");\r\n";
}

std::string TenMegabytes() {
    const std::string big(10u << 20, 'x');
    return Script({"SetVariable(\"BIG\", \"" + big + "\");",
                   R"(SetVariable("FOUR", "[BIG][BIG][BIG][BIG]");)", R"(SetCaption("[BIG]");)",
                   R"(ShowMessage("[BIG]", "[BIG]", "[BIG]", "COMMAND");)", kReached});
}

std::string HundredThousandStatements() {
    std::string script;
    for (int i = 0; i < 100000; ++i)
        script += "SetVariable(\"V" + std::to_string(i) + "\", \"" + std::to_string(i) + "\");\r\n";
    return script + R"(ShowMessage("[V0]-[V99999]", "Reached", "", "NOW");)";
}

std::string RandomBytes() {
    std::mt19937 random(20240611u);
    std::string bytes(256 * 1024, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random() & 0xFF);
        if (byte == '\x1A') // Ctrl-Z may end the text where it stands
            byte = '\x1B';
    }
    return R"(ShowMessage("start", "Garbage", "", "NOW");)"
           "\r\n" +
           bytes;
}

// The script is made when the row runs.
std::function<void(const std::string&)> Writes(std::string (*script)()) {
    return [script](const std::string& dir) { WriteBytes(dir + "\\SetupScript.ini", script()); };
}

const PageCase kCases[] = {
    {"TenMegabyteArgument", "", {ExpectBox("Reached", "end"), ExpectExit(0)}, Writes(TenMegabytes)},
    {"HundredThousandStatements",
     "",
     {ExpectBox("Reached", "0-99999"), ExpectExit(0)},
     Writes(HundredThousandStatements)},
    {"RandomBytes", "", {ExpectBox("Garbage", "start"), ExpectExit(0)}, Writes(RandomBytes)},
    {"ReferenceChainBeyondTheBound",
     "",
     {ExpectBoxThat("Chain", [](const std::string& text) { return text.rfind("[V", 0) == 0; }),
      ExpectBox("Reached", "end"), ExpectExit(0)},
     Writes([] { return Chain(100000, 20000) + kReached + "\r\n"; })},
};

INSTANTIATE_TEST_SUITE_P(Scripts, PageTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A destination typed as "...\t[DP]" refers to itself: "[DP]\f.txt" grows with every round
// of expansion far beyond what the platform takes. The file is refused with a message that
// a person can read: the path cut in the middle, its beginning and end kept.
TEST_F(E2eTest, FileIntoASelfReferringTypedDirectoryIsRefusedReadably) {
    const std::string typed = SetupDir() + "\\t[DP]";
    Put("f.txt", "file");
    const auto readable = [&](const std::string& text) {
        const std::string tail = "\\f.txt is too long, setup cannot install the file.";
        return text.size() < 2000 && text.rfind("The path " + SetupDir(), 0) == 0 &&
               text.size() > tail.size() && text.substr(text.size() - tail.size()) == tail;
    };
    EXPECT_EQ(
        Run(Script({"SetAppName(\"" + app + "\");", R"(CreateSection("Main", "1", "0", "m");)",
                    AddFile("f.txt", "f.txt"), "ShowDest();", "ShowCopy();",
                    R"(ShowMessage("not reached", "After copy", "", "NOW");)"}),
            {Page(IDC_DEST_PATH), Type(IDC_DEST_PATH, typed), NextOn(true), Click(IDC_NEXT),
             ExpectBoxThat("f.txt", readable), ExpectExit(0)}),
        "");
    // Nothing of the run is left, nor registered.
    EXPECT_FALSE(Exists(typed + "\\Uninstall.log"));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "DisplayName"), "<no key>");
}

} // namespace
} // namespace e2e
