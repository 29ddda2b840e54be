// Faults during an installation, run by the real wizard: destinations that cannot be
// written, files in use, missing disks with every answer of the disk prompt, and a cancel
// while a question is open. After each, the user's files are whole and the uninstall log is
// well formed and ends with its registry part.
//
// A Wininit.ini that cannot be read is left alone (not overwritten) when a replacement at
// restart has to go there; that needs the platform's delayed moves to fail, which the unit
// test WininitTest.UnreadableFileIsLeftAloneAndTheFailureReported arranges, so it is not
// repeated here.
#include "controls.h"
#include "wizard_fixture.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>

namespace e2e {
namespace {

constexpr DWORD kRunTimeoutMs = 30000;
constexpr int kOverwriteYes = 1012;
constexpr int kOverwriteEveryFile = 1044;
constexpr int kCopySectionBar = 1028;

constexpr char kQuitCaption[] = "Quit setup";
constexpr char kQuitText[] =
    "Are you really sure to quit setup? The application will be deleted if you click on Yes";
constexpr char kInUseText[] = "File is in use and setup is not able to overwrite the file.";
constexpr char kSharingViolationText[] =
    "Sharing violation occured, setup cannot install the file.";
constexpr char kAfterCopy[] = "After copy";

// Every run here ends with exit code 0, also after an abort; anything else, a crash or a
// hang, is named.
void ExpectCleanExit(WizardProcess& wizard) {
    const std::optional<int> code = wizard.WaitForExit(5000);
    EXPECT_EQ(code, std::optional<int>(0)) << DescribeExit(code);
}

std::string DiskPromptText(int disk) {
    return "Please insert disk " + std::to_string(disk) +
           " in order to continue setup. If you inserted correct disk and this message appears "
           "again, setup script may be corrupt.";
}

// Each test installs an application of its own name from disk folders in its setup
// directory into "target" there, then removes the Uninstall key and the program group.
class FaultTest : public WizardTest {
  protected:
    void TearDown() override {
        WizardTest::TearDown();
        RemoveUninstallKey(app_);
        DeleteTree(StartMenuProgramsFolder() + "\\" + app_);
    }

    std::string Target() { return Dir().PathOf("target"); }
    std::string TargetFile(const std::string& name) { return Target() + "\\" + name; }

    // The application, its sections and files, the copy page and a statement after it.
    WizardProcess& StartInstallation(const std::vector<std::string>& files) {
        std::string script = "SetAppName(\"" + app_ +
                             "\");\r\n"
                             "SetVariable(\"DP\", \"[SP]\\target\\\");\r\n"
                             "CreateSection(\"Main\", \"1\", \"0\", \"m\");\r\n";
        for (const std::string& file : files)
            script += file + "\r\n";
        script += "ShowCopy();\r\nShowMessage(\"after\", \"" + std::string(kAfterCopy) +
                  "\", \"\", \"NOW\");\r\n";
        return StartWithScript(script);
    }

    // A non-shared file from disk `disk` of the setup directory to target\<name>.
    static std::string AddFile(const std::string& name, int disk) {
        const std::string number = std::to_string(disk);
        return "AddFile(\"[SP]\\disk" + number + "\\" + name + "\", \"[DP]\\" + name +
               "\", \"Main\", \"0\", \"" + number + "\", \"0\", \"0\", \"0\", \"0\", \"\");";
    }

    // The log in the target directory, checked; the short paths of its entries.
    std::vector<std::string> LoggedPaths() {
        const std::optional<std::string> log = FileBytes(TargetFile("Uninstall.log"));
        if (!log) {
            ADD_FAILURE() << "no uninstall log";
            return {};
        }
        const UninstallLogCheck check = CheckUninstallLog(*log, app_);
        EXPECT_TRUE(check) << check.problem;
        return check.paths;
    }
    // The entry that the log holds for an installed file target\<name>.
    std::string Logged(const std::string& name) { return ShortPath(TargetFile(name)); }

    std::string Installed(const std::string& name) {
        return FileBytes(TargetFile(name)).value_or("<missing>");
    }

    std::string app_ = AppName();

  private:
    // "VLFault" and the test's name, without the '/' of parameterised tests: the name is a
    // folder of the Start menu too.
    static std::string AppName() {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', ' ');
        return "VLFault " + name.substr(0, 40);
    }
};

// Answers what a run asks, in order: each step names the box it expects by its caption and
// text, may act first (put a missing file in place) and then gives the button.
struct Step {
    SeenBox box;
    int answer;
    std::function<void()> before;
};

std::function<int(const MessageBoxInfo&)> Steps(std::vector<Step> steps) {
    auto next = std::make_shared<std::size_t>(0);
    return [steps = std::move(steps), next](const MessageBoxInfo& box) {
        if (*next >= steps.size() || steps[*next].box.caption != box.caption ||
            steps[*next].box.text != box.text)
            return IDOK; // unexpected: the comparison of the seen boxes reports it
        const Step& step = steps[(*next)++];
        if (step.before)
            step.before();
        return step.answer;
    };
}

std::vector<SeenBox> BoxesOf(const std::vector<Step>& steps) {
    std::vector<SeenBox> boxes;
    for (const Step& step : steps)
        boxes.push_back(step.box);
    return boxes;
}

// ---- Destinations that cannot be written ----------------------------------------------------
//
// Under Wine the read-only attribute of a directory does not stop files being made in it
// (and the tests run as root on the Linux side, where permissions would not either). What
// does stop them: a destination directory that is a file, a path with a component that is a
// file, and a destination file that has the read-only attribute.

struct UnwritableCase {
    const char* name;
    const char* userFile; // relative to the setup directory
    bool readOnly;
    const char* destination; // of two.txt, the second of three files
    std::vector<SeenBox> boxes;
    bool logged; // the log can be made (in the target directory)
};

void PrintTo(const UnwritableCase& c, std::ostream* out) {
    *out << c.name;
}

class UnwritableTest : public FaultTest, public ::testing::WithParamInterface<UnwritableCase> {};

TEST_P(UnwritableTest, Install) {
    const UnwritableCase& c = GetParam();
    const std::string userBytes = "the user's own bytes";
    ASSERT_TRUE(Dir().WriteFile("disk1\\one.txt", "one"));
    ASSERT_TRUE(Dir().WriteFile("disk1\\two.txt", "two"));
    ASSERT_TRUE(Dir().WriteFile("disk1\\three.txt", "three"));
    ASSERT_TRUE(Dir().WriteFile(c.userFile, userBytes));
    if (c.readOnly) {
        ASSERT_TRUE(SetFileAttributesA(Dir().PathOf(c.userFile).c_str(), FILE_ATTRIBUTE_READONLY));
    }
    WizardProcess& wizard = StartInstallation({
        AddFile("one.txt", 1),
        std::string("AddFile(\"[SP]\\disk1\\two.txt\", \"") + c.destination +
            "\", \"Main\", \"0\", \"1\", \"0\", \"0\", \"0\", \"0\", \"\");",
        AddFile("three.txt", 1),
    });
    if (c.readOnly) {
        HWND question = wizard.WaitFor({kDialogClass, std::string("Overwrite file"), 0});
        ASSERT_TRUE(question);
        ClickButton(question, kOverwriteYes);
        ASSERT_TRUE(wizard.WaitUntilGone(question));
    }
    const std::vector<SeenBox> boxes = AnswerBoxesUntilExit(
        wizard, [](const MessageBoxInfo&) { return IDOK; }, kRunTimeoutMs);
    ExpectCleanExit(wizard);
    EXPECT_EQ(boxes, c.boxes) << "the statement after the copy page ran: no abort";
    EXPECT_EQ(FileBytes(Dir().PathOf(c.userFile)), std::optional<std::string>(userBytes));
    EXPECT_EQ(Installed("three.txt"), "<missing>");
    if (c.logged) {
        EXPECT_EQ(Installed("one.txt"), "one");
        EXPECT_EQ(LoggedPaths(), std::vector<std::string>{Logged("one.txt")});
    }
}

constexpr char kCannotCreateText[] = "Could not create the file, setup cannot install the file";
constexpr char kNoLogText[] =
    "UNINSTALL WILL NOT BE AVAILABLE, BECAUSE LOG FILE COULD NOT BE CREATED!";

INSTANTIATE_TEST_SUITE_P(
    Cases, UnwritableTest,
    ::testing::Values(
        // The installation directory is a file: neither the log nor any file can be made.
        UnwritableCase{"DirectoryIsAFile",
                       "target",
                       false,
                       "[DP]\\two.txt",
                       {{"UNEXPECTED ERROR", kNoLogText}, {"one.txt", kCannotCreateText}},
                       false},
        UnwritableCase{"ComponentIsAFile",
                       "target\\sub",
                       false,
                       "[DP]\\sub\\two.txt",
                       {{"two.txt", kCannotCreateText}},
                       true},
        UnwritableCase{"ReadOnlyFile",
                       "target\\two.txt",
                       true,
                       "[DP]\\two.txt",
                       {{"two.txt", "File cannot be written to, because it is write protected. "
                                    "You should remove the write protection and try to install "
                                    "again."}},
                       true}),
    [](const auto& info) { return std::string(info.param.name); });

// A directory path of 200 characters is well within what the platform takes for a file, but
// the version service cannot make its temporary file there when given the long form: it
// opens files through a structure that holds 128 characters.
TEST_F(FaultTest, DeepDestinationDirectoryIsInstalled) {
    ASSERT_TRUE(Dir().WriteFile("disk1\\one.txt", "one"));
    const std::string prefix = Target() + "\\";
    ASSERT_LT(prefix.size(), 190u) << "the setup directory is too deep for this test";
    const std::string deep = std::string(200 - prefix.size(), 'd');
    WizardProcess& wizard = StartInstallation({
        "AddFile(\"[SP]\\disk1\\one.txt\", \"[DP]\\" + deep +
            "\\one.txt\", \"Main\", \"0\", \"1\", \"0\", \"0\", \"0\", \"0\", \"\");",
    });
    const std::vector<SeenBox> boxes = AnswerBoxesUntilExit(
        wizard, [](const MessageBoxInfo&) { return IDOK; }, kRunTimeoutMs);
    ExpectCleanExit(wizard);
    EXPECT_EQ(boxes, (std::vector<SeenBox>{{kAfterCopy, "after"}}));
    EXPECT_EQ(Installed(deep + "\\one.txt"), "one");
    EXPECT_EQ(LoggedPaths(), std::vector<std::string>{Logged(deep + "\\one.txt")});
}

// ---- Files in use ---------------------------------------------------------------------------

// Held open for writing without any sharing: the installation cannot replace it, says so and
// ends; the file keeps its bytes.
TEST_F(FaultTest, DestinationFileInUseAbortsAndKeepsTheUsersFile) {
    ASSERT_TRUE(Dir().WriteFile("disk1\\one.txt", "one"));
    ASSERT_TRUE(Dir().WriteFile("disk1\\two.txt", "new two"));
    ASSERT_TRUE(Dir().WriteFile("disk1\\three.txt", "three"));
    ASSERT_TRUE(Dir().WriteFile("target\\two.txt", "the user's two"));
    UniqueHandle held(CreateFileA(TargetFile("two.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.IsValid());
    WizardProcess& wizard =
        StartInstallation({AddFile("one.txt", 1), AddFile("two.txt", 1), AddFile("three.txt", 1)});
    HWND question = wizard.WaitFor({kDialogClass, std::string("Overwrite file"), 0});
    ASSERT_TRUE(question);
    ClickButton(question, kOverwriteEveryFile);
    ASSERT_TRUE(wizard.WaitUntilGone(question));
    const std::vector<SeenBox> boxes = AnswerBoxesUntilExit(
        wizard, [](const MessageBoxInfo&) { return IDOK; }, kRunTimeoutMs);
    held.Reset();
    ExpectCleanExit(wizard);
    // Wine's service finds the file shared wrongly and undeletable; the second means in use.
    EXPECT_EQ(boxes,
              (std::vector<SeenBox>{{"two.txt", kSharingViolationText}, {"two.txt", kInUseText}}));
    EXPECT_EQ(Installed("two.txt"), "the user's two");
    EXPECT_EQ(Installed("three.txt"), "<missing>");
    EXPECT_EQ(LoggedPaths(), std::vector<std::string>{Logged("one.txt")});
}

// A shared file whose copy in the system directory is open as a loaded library is (others
// may read it, nobody may delete it). This one has no version information, so its
// replacement at restart cannot be arranged: the user is told, the copy in place stays, and
// the installation goes on without logging it.
TEST_F(FaultTest, SharedFileInUseIsReportedKeptAndNotLogged) {
    const std::string name = "vle2e_shared_in_use.dat";
    const std::string inPlace = SystemDirectory() + "\\" + name;
    ASSERT_TRUE(WriteFileBytes(inPlace, "the copy in use"));
    ASSERT_TRUE(Dir().WriteFile("disk1\\" + name, "a new copy"));
    ASSERT_TRUE(Dir().WriteFile("disk1\\one.txt", "one"));
    UniqueHandle held(CreateFileA(inPlace.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.IsValid());
    const std::string caption =
        ShortPath(Dir().PathOf("disk1\\" + name))
            .substr(ShortPath(Dir().PathOf("disk1\\" + name)).rfind('\\') + 1);
    WizardProcess& wizard = StartInstallation({
        "AddFile(\"[SP]\\disk1\\" + name + "\", \"[DP]\\" + name +
            "\", \"Main\", \"1\", \"1\", \"0\", \"0\", \"0\", \"0\", \"\");",
        AddFile("one.txt", 1),
    });
    const std::vector<SeenBox> boxes = AnswerBoxesUntilExit(
        wizard, [](const MessageBoxInfo&) { return IDOK; }, kRunTimeoutMs);
    held.Reset();
    ExpectCleanExit(wizard);
    const std::string leftInPlace = FileBytes(inPlace).value_or("<missing>");
    SetFileAttributesA(inPlace.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(inPlace.c_str());

    EXPECT_EQ(boxes,
              (std::vector<SeenBox>{
                  {caption, kSharingViolationText}, {caption, kInUseText}, {kAfterCopy, "after"}}));
    EXPECT_EQ(leftInPlace, "the copy in use");
    EXPECT_EQ(Installed("one.txt"), "one");
    EXPECT_EQ(LoggedPaths(), std::vector<std::string>{Logged("one.txt")});
}

// ---- A missing disk -------------------------------------------------------------------------

// The second of three files lies on disk 2, which is missing at first. Plain files are asked
// for by the installation service's result; a file in parts by the joining of its parts.
struct DiskCase {
    const char* name;
    bool split;
    // The answers, from the first disk prompt on. `arrive` puts the missing file in place.
    std::function<std::vector<Step>(const SeenBox& prompt, std::function<void()> arrive)> steps;
    bool installed; // two.txt is installed in the end
    bool completed; // the installation went on to three.txt and the script to its end
};

void PrintTo(const DiskCase& c, std::ostream* out) {
    *out << c.name << (c.split ? " (split)" : "");
}

class MissingDiskTest : public FaultTest, public ::testing::WithParamInterface<DiskCase> {};

TEST_P(MissingDiskTest, Answer) {
    const DiskCase& c = GetParam();
    ASSERT_TRUE(Dir().WriteFile("disk1\\one.txt", "one"));
    ASSERT_TRUE(Dir().WriteFile("disk1\\three.txt", "three"));
    ASSERT_TRUE(Dir().WriteFile("disk1\\two.a", "first part, "));
    // A plain file replaces an older copy, which the user agrees to before the disk is found
    // missing: that copy must stay whole unless the new one is installed.
    const std::string older = "the user's older two";
    if (!c.split) {
        ASSERT_TRUE(Dir().WriteFile("target\\two.txt", older));
    }
    std::vector<std::string> files{AddFile("one.txt", 1)};
    std::string missing;
    SeenBox prompt;
    if (c.split) {
        missing = Dir().PathOf("disk2\\two.b");
        files.push_back(
            R"(AddFile("[SP]\disk1\two.a", "[DP]\two.txt", "Main", "0", "1", "1", "0", "0", "0", "");)");
        files.push_back(
            R"(AddFile("[SP]\disk2\two.b", "[DP]\two.txt", "Main", "0", "2", "1", "1", "0", "0", "");)");
        prompt = SeenBox{missing, DiskPromptText(2)};
    } else {
        missing = Dir().PathOf("disk2\\two.txt");
        files.push_back(AddFile("two.txt", 2));
        prompt = SeenBox{"two.txt", DiskPromptText(2)};
    }
    files.push_back(AddFile("three.txt", 1));
    const std::string secondPart = c.split ? "second part" : "two";
    const std::vector<Step> steps =
        c.steps(prompt, [&] { ASSERT_TRUE(WriteFileBytes(missing, secondPart)); });

    WizardProcess& wizard = StartInstallation(files);
    if (!c.split) {
        HWND question = wizard.WaitFor({kDialogClass, std::string("Overwrite file"), 0});
        ASSERT_TRUE(question);
        ClickButton(question, kOverwriteYes);
        ASSERT_TRUE(wizard.WaitUntilGone(question));
    }
    std::vector<SeenBox> expected = BoxesOf(steps);
    if (c.completed)
        expected.push_back({kAfterCopy, "after"});
    std::vector<SeenBox> boxes = AnswerBoxesUntilExit(wizard, Steps(steps), kRunTimeoutMs);
    ExpectCleanExit(wizard);
    if (c.split && !c.installed && c.completed) {
        // A file in parts with a part left out is not installed, and the user is told.
        ASSERT_GE(boxes.size(), 2u) << ::testing::PrintToString(boxes);
        EXPECT_EQ(boxes[boxes.size() - 2].caption, "two.txt");
        boxes.erase(boxes.end() - 2);
    }
    EXPECT_EQ(boxes, expected);

    std::vector<std::string> logged{Logged("one.txt")};
    EXPECT_EQ(Installed("one.txt"), "one");
    if (c.split)
        EXPECT_EQ(Installed("two.txt"), c.installed ? "first part, second part" : "<missing>");
    else
        EXPECT_EQ(Installed("two.txt"), c.installed ? "two" : older);
    if (c.installed)
        logged.push_back(Logged("two.txt"));
    EXPECT_EQ(Installed("three.txt"), c.completed ? "three" : "<missing>");
    if (c.completed)
        logged.push_back(Logged("three.txt"));
    EXPECT_EQ(LoggedPaths(), logged);
}

std::vector<Step> RetryAfterTheDiskArrives(const SeenBox& prompt, std::function<void()> arrive) {
    return {{prompt, IDRETRY, arrive}};
}

std::vector<Step> Ignore(const SeenBox& prompt, std::function<void()>) {
    return {{prompt, IDIGNORE, nullptr}};
}

std::vector<Step> AbortNoThenRetry(const SeenBox& prompt, std::function<void()> arrive) {
    return {{prompt, IDABORT, nullptr},
            {{kQuitCaption, kQuitText}, IDNO, nullptr},
            {prompt, IDRETRY, arrive}};
}

std::vector<Step> AbortYes(const SeenBox& prompt, std::function<void()>) {
    return {{prompt, IDABORT, nullptr}, {{kQuitCaption, kQuitText}, IDYES, nullptr}};
}

INSTANTIATE_TEST_SUITE_P(
    Disk, MissingDiskTest,
    ::testing::Values(DiskCase{"Retry", false, RetryAfterTheDiskArrives, true, true},
                      DiskCase{"Ignore", false, Ignore, false, true},
                      DiskCase{"AbortNoRetry", false, AbortNoThenRetry, true, true},
                      DiskCase{"AbortYes", false, AbortYes, false, false},
                      DiskCase{"SplitRetry", true, RetryAfterTheDiskArrives, true, true},
                      DiskCase{"SplitIgnore", true, Ignore, false, true},
                      DiskCase{"SplitAbortNoRetry", true, AbortNoThenRetry, true, true},
                      DiskCase{"SplitAbortYes", true, AbortYes, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Cancel while a question is open --------------------------------------------------------

// The disk prompt is owned by the background window, so the copy page stays usable and its
// Cancel leads to the quit question.
class CancelDuringQuestionTest : public FaultTest {
  protected:
    // Starts an installation of two files whose first one is missing, waits for its disk
    // prompt, then cancels on the copy page and answers the quit question.
    MessageBoxInfo CancelWhileThePromptIsOpen(int quitAnswer) {
        EXPECT_TRUE(Dir().WriteFile("disk1\\two.txt", "two"));
        WizardProcess& wizard = StartInstallation({AddFile("one.txt", 2), AddFile("two.txt", 1)});
        MessageBoxInfo prompt = wizard.WaitForMessageBox("one.txt");
        EXPECT_EQ(prompt.text, DiskPromptText(2));
        HWND page = wizard.WaitForPage(kCopySectionBar, 2000);
        EXPECT_TRUE(page);
        EXPECT_TRUE(IsControlEnabled(page, kCancelId)) << "a user could not reach Cancel";
        EXPECT_TRUE(IsWindowEnabled(page)) << "a user could not reach Cancel";
        ClickButton(page, kCancelId);
        const MessageBoxInfo quit = wizard.WaitForMessageBox(kQuitCaption);
        EXPECT_EQ(quit.text, kQuitText);
        EXPECT_TRUE(quit.hasIcon);
        AnswerMessageBox(quit.window, quitAnswer);
        EXPECT_TRUE(wizard.WaitUntilGone(quit.window));
        return prompt;
    }
};

// Yes: the file loop stops before the next file, the log is completed and the run ends
// without the statements after the copy page.
TEST_F(CancelDuringQuestionTest, YesStopsBeforeTheNextFile) {
    const MessageBoxInfo prompt = CancelWhileThePromptIsOpen(IDYES);
    ASSERT_TRUE(prompt);
    // The quit request may close the prompt; if not, it is answered like the others.
    const std::vector<SeenBox> boxes = AnswerBoxesUntilExit(
        Wizard(), [](const MessageBoxInfo&) { return IDIGNORE; }, kRunTimeoutMs);
    ExpectCleanExit(Wizard());
    for (const SeenBox& box : boxes)
        EXPECT_EQ(box, (SeenBox{"one.txt", DiskPromptText(2)}));
    EXPECT_FALSE(Wizard().SawMessageText("after"));
    EXPECT_EQ(Installed("one.txt"), "<missing>");
    EXPECT_EQ(Installed("two.txt"), "<missing>");
    EXPECT_EQ(LoggedPaths(), std::vector<std::string>{});
}

// No: nothing changes; the disk arrives and the installation goes on to its end.
TEST_F(CancelDuringQuestionTest, NoGoesOnWithTheQuestion) {
    const MessageBoxInfo prompt = CancelWhileThePromptIsOpen(IDNO);
    ASSERT_TRUE(prompt);
    ASSERT_TRUE(IsWindow(prompt.window)) << "the prompt went away";
    ASSERT_TRUE(WriteFileBytes(Dir().PathOf("disk2\\one.txt"), "one"));
    AnswerMessageBox(prompt.window, IDRETRY);
    const std::vector<SeenBox> boxes = AnswerBoxesUntilExit(
        Wizard(), [](const MessageBoxInfo&) { return IDOK; }, kRunTimeoutMs);
    ExpectCleanExit(Wizard());
    EXPECT_EQ(boxes, (std::vector<SeenBox>{{kAfterCopy, "after"}}));
    EXPECT_EQ(Installed("one.txt"), "one");
    EXPECT_EQ(Installed("two.txt"), "two");
    EXPECT_EQ(LoggedPaths(), (std::vector<std::string>{Logged("one.txt"), Logged("two.txt")}));
}

} // namespace
} // namespace e2e
