// The base of the end-to-end tests: a fresh setup directory per test, the wizard started
// in it, and a teardown that fails the test (and kills the wizard) when the wizard is still
// running at its end.
#ifndef VL_TESTS_E2E_WIZARD_FIXTURE_H
#define VL_TESTS_E2E_WIZARD_FIXTURE_H

#include "driver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace e2e {

// Script lines end in CR LF, as an editor on Windows writes them.
std::string CrLfScript(std::initializer_list<const char*> lines);

class WizardTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    SetupDir& Dir() { return *setup_; }
    // Writes SetupScript.ini and starts the wizard in the setup directory.
    WizardProcess& StartWithScript(const std::string& script);
    // Starts the wizard in the setup directory as it is (with no script unless one was
    // written).
    WizardProcess& Start();
    WizardProcess& Wizard() { return *wizard_; }

    // Waits for the message box `text` with caption `caption`, checks that it is a plain
    // OK box without an icon (what ShowMessage "NOW" shows) and answers it.
    void ExpectNowMessageAndConfirm(const std::string& text, const std::string& caption);
    // Waits for the end of the wizard and checks its exit code.
    void ExpectExitCode(int expected);

  private:
    std::unique_ptr<SetupDir> setup_;
    std::unique_ptr<WizardProcess> wizard_;
};

} // namespace e2e

#endif
