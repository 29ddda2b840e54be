#include "wizard_fixture.h"

namespace e2e {

namespace {

// Time the teardown grants a wizard to end on its own before it is killed.
constexpr DWORD kTeardownGraceMs = 3000;

std::string CurrentTestName() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(test->test_suite_name()) + "." + test->name();
}

} // namespace

std::string CrLfScript(std::initializer_list<const char*> lines) {
    std::string script;
    for (const char* line : lines)
        script += std::string(line) + "\r\n";
    return script;
}

void WizardTest::SetUp() {
    setup_ = std::make_unique<SetupDir>(CurrentTestName());
}

void WizardTest::TearDown() {
    if (!wizard_)
        return;
    if (!wizard_->WaitForExit(kTeardownGraceMs)) {
        ADD_FAILURE() << "the wizard was still running at the end of the test; killed";
        wizard_->Kill();
    }
    wizard_.reset();
}

WizardProcess& WizardTest::StartWithScript(const std::string& script) {
    EXPECT_TRUE(setup_->WriteScript(script)) << "cannot write " << setup_->Path();
    return Start();
}

WizardProcess& WizardTest::Start() {
    wizard_ = std::make_unique<WizardProcess>(VL_SETUP_EXE, setup_->Path());
    EXPECT_TRUE(wizard_->Started())
        << "cannot start " << VL_SETUP_EXE << ", error " << wizard_->StartError();
    return *wizard_;
}

void WizardTest::ExpectNowMessageAndConfirm(const std::string& text, const std::string& caption) {
    MessageBoxInfo box = wizard_->WaitForMessageBox(caption);
    ASSERT_TRUE(box) << "no message box \"" << caption << "\"";
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_FALSE(box.hasIcon);
    AnswerMessageBox(box.window, IDOK);
    EXPECT_TRUE(wizard_->WaitUntilGone(box.window));
}

void WizardTest::ExpectExitCode(int expected) {
    EXPECT_EQ(wizard_->WaitForExit(), std::optional<int>(expected));
}

} // namespace e2e
