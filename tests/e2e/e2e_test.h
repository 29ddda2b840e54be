// The base of the end-to-end tests: a fresh setup directory per test at a fixed short place
// (so that no path depends on where the tree is checked out), the wizard started there on a
// script, and a teardown that removes what an installation registered.
#ifndef VL_TESTS_E2E_E2E_TEST_H
#define VL_TESTS_E2E_E2E_TEST_H

#include "driver.h"
#include "resources/resource_ids.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace e2e {

using namespace vltest;

const std::string kQuit = "Quit setup";
const std::string kQuitText =
    "Are you really sure to quit setup? The application will be deleted if you click on Yes";
std::string DiskPrompt(int disk);
// Script lines joined with CR LF.
std::string Script(std::initializer_list<std::string> lines);
// A file record: from the setup directory to DP, in section Main unless `rest` says more.
std::string AddFile(const std::string& source, const std::string& destination,
                    const std::string& rest = R"("Main", "0", "1", "0", "0", "0", "0", "")");
// The program under test: VL_SETUP_EXE from the environment, else the one built here.
std::string SetupExe();
// The setup directory of the running test, no trailing backslash.
const std::string& SetupDir();

class E2eTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::string At(const std::string& relative) const { return SetupDir() + "\\" + relative; }
    void Put(const std::string& relative, const std::string& bytes) {
        ASSERT_TRUE(WriteBytes(At(relative), bytes)) << relative;
    }
    // Writes the script (none for an empty text), starts the wizard and plays the steps.
    std::string Run(const std::string& script, const std::vector<Step>& steps,
                    const std::string& exe = "");
    // "SetAppName(...)" and DP in the setup directory's "target".
    std::string Header() const;
    std::string Target(const std::string& name = "") const;

    std::string app;
    std::unique_ptr<Wizard> wizard;
};

// A script and the steps a user takes through it; `prepare` puts what the script needs into
// the setup directory, the script itself when it is too large to keep.
struct PageCase {
    const char* name;
    std::string script;
    std::vector<Step> steps;
    std::function<void(const std::string& dir)> prepare = nullptr;
};

inline void PrintTo(const PageCase& c, std::ostream* out) {
    *out << c.name;
}

class PageTest : public E2eTest, public ::testing::WithParamInterface<PageCase> {};

} // namespace e2e

#endif
