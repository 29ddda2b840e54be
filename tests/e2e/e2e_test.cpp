#include "e2e_test.h"

namespace e2e {

namespace {

std::string setupDir;

} // namespace

std::string Script(std::initializer_list<std::string> lines) {
    std::string script;
    for (const std::string& line : lines)
        script += line + "\r\n";
    return script;
}

std::string AddFile(const std::string& source, const std::string& destination,
                    const std::string& rest) {
    return "AddFile(\"[SP]\\" + source + "\", \"[DP]\\" + destination + "\", " + rest + ");";
}

std::string DiskPrompt(int disk) {
    return "Please insert disk " + std::to_string(disk) +
           " in order to continue setup. If you inserted correct disk and this message appears "
           "again, setup script may be corrupt.";
}

std::string SetupExe() {
    // Another build of the program can be tried with the same tests.
    const char* chosen = getenv("VL_SETUP_EXE");
    return WinePath(chosen != nullptr ? chosen : VL_SETUP_EXE);
}

const std::string& SetupDir() {
    return setupDir;
}

void E2eTest::SetUp() {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    name = name.substr(name.rfind('/') + 1);
    setupDir = "C:\\vle2e\\" + name;
    app = "VLE2E " + name.substr(0, 40);
    RemoveTree(setupDir);
    CreateDirectoryA("C:\\vle2e", nullptr);
    ASSERT_TRUE(CreateDirectoryA(setupDir.c_str(), nullptr)) << setupDir;
}

void E2eTest::TearDown() {
    if (wizard && wizard->Running() && !HasFailure())
        ADD_FAILURE() << "the wizard still ran at the end of the test";
    wizard.reset();
    RemoveUninstallEntry(app);
    RemoveTree(StartMenuPrograms() + "\\" + app);
}

std::string E2eTest::Run(const std::string& script, const std::vector<Step>& steps,
                         const std::string& exe) {
    if (!script.empty() && !WriteBytes(At("SetupScript.ini"), script))
        return "cannot write the script";
    wizard = std::make_unique<Wizard>(exe.empty() ? SetupExe() : exe, SetupDir());
    if (!wizard->Running() && !wizard->WaitForExit(0))
        return "cannot start the wizard";
    return Play(*wizard, steps);
}

std::string E2eTest::Header() const {
    return Script({"SetAppName(\"" + app + "\");", R"(SetVariable("DP", "[SP]\target\");)",
                   R"(CreateSection("Main", "1", "0", "m");)"});
}

std::string E2eTest::Target(const std::string& name) const {
    return SetupDir() + "\\target" + (name.empty() ? "" : "\\" + name);
}

} // namespace e2e
