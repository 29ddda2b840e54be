// The staging files of split files and the copies that replace files at the
// next restart go to a folder of the run's own inside the Windows directory's
// TEMP folder, which anyone may write to. A file and a link planted there under
// the names those files would otherwise have stay exactly as they are, and the
// run's folder is gone when the wizard ends, unless it holds a copy that waits
// for the restart.
#include "../install/symbolic_links.h"
#include "controls.h"
#include "wizard_fixture.h"

#include <set>
#include <vector>

namespace e2e {
namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingRenames[] = "PendingFileRenameOperations";
constexpr char kPlanted[] = "planted by another user";
constexpr char kLinkTarget[] = "a file the planted link points to";
constexpr int kList = 1009;

std::string SharedTemporaryFolder() {
    char path[MAX_PATH] = {};
    GetWindowsDirectoryA(path, MAX_PATH);
    return std::string(path) + "\\TEMP";
}

std::vector<std::string> Entries(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// The folders that runs of the wizard made in the shared TEMP folder.
std::set<std::string> RunFolders() {
    const std::vector<std::string> names = Entries(SharedTemporaryFolder() + "\\VLSetup-*");
    return std::set<std::string>(names.begin(), names.end());
}

// The delayed moves that Windows keeps for its next start: saved when made and
// put back when destroyed.
class PendingRenames {
  public:
    PendingRenames() {
        HKEY key = Open();
        if (key == nullptr)
            return;
        DWORD size = 0;
        if (RegQueryValueExA(key, kPendingRenames, nullptr, &type_, nullptr, &size) ==
            ERROR_SUCCESS) {
            saved_.resize(size);
            RegQueryValueExA(key, kPendingRenames, nullptr, &type_, saved_.data(), &size);
            had_ = true;
        }
        RegCloseKey(key);
    }
    ~PendingRenames() {
        HKEY key = Open();
        if (key == nullptr)
            return;
        if (had_)
            RegSetValueExA(key, kPendingRenames, 0, type_, saved_.data(),
                           static_cast<DWORD>(saved_.size()));
        else
            RegDeleteValueA(key, kPendingRenames);
        RegCloseKey(key);
    }
    PendingRenames(const PendingRenames&) = delete;
    PendingRenames& operator=(const PendingRenames&) = delete;

    // Whether `to` is to be replaced by `from`, as "\??\from", "!\??\to".
    static bool Holds(const std::string& from, const std::string& to) {
        HKEY key = Open();
        if (key == nullptr)
            return false;
        std::string data;
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key, kPendingRenames, nullptr, &type, nullptr, &size) ==
                ERROR_SUCCESS &&
            type == REG_MULTI_SZ) {
            data.resize(size);
            RegQueryValueExA(key, kPendingRenames, nullptr, &type,
                             reinterpret_cast<BYTE*>(&data[0]), &size);
        }
        RegCloseKey(key);
        const std::string entry = "\\??\\" + from + '\0' + "!\\??\\" + to + '\0';
        return data.find(entry) != std::string::npos;
    }

  private:
    static HKEY Open() {
        HKEY key = nullptr;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      &key);
        return key;
    }

    bool had_ = false;
    DWORD type_ = 0;
    std::vector<BYTE> saved_;
};

// Each test installs from disk folders in its setup directory into "target"
// there, with files and links planted in the shared TEMP folder that it removes
// again at its end, together with the Uninstall key.
class TempFilesTest : public WizardTest {
  protected:
    void SetUp() override {
        WizardTest::SetUp();
        foldersBefore = RunFolders();
        target = Dir().PathOf("target.txt");
        ASSERT_TRUE(Dir().WriteFile("target.txt", kLinkTarget));
    }
    void TearDown() override {
        WizardTest::TearDown();
        for (const std::string& path : plantedFiles)
            DeleteFileA(path.c_str());
        for (const std::string& path : plantedLinks)
            links::Remove(path);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + app).c_str());
        if (!systemFile.empty())
            DeleteFileA(systemFile.c_str());
        // A folder that a run kept for the restart, with what it holds.
        for (const std::string& folder : RunFolders()) {
            if (foldersBefore.count(folder) != 0)
                continue;
            const std::string path = SharedTemporaryFolder() + "\\" + folder;
            for (const std::string& name : Entries(path + "\\*"))
                DeleteFileA((path + "\\" + name).c_str());
            RemoveDirectoryA(path.c_str());
        }
    }

    void PlantFile(const std::string& name) {
        const std::string path = SharedTemporaryFolder() + "\\" + name;
        links::Remove(path);
        DeleteFileA(path.c_str());
        ASSERT_TRUE(WriteFileBytes(path, kPlanted));
        plantedFiles.push_back(path);
    }

    // Skips the test where no link can be made.
    void PlantLink(const std::string& name) {
        const std::string path = SharedTemporaryFolder() + "\\" + name;
        links::Remove(path);
        DeleteFileA(path.c_str());
        if (!links::Make(path, target))
            GTEST_SKIP() << "no symbolic link can be made here";
        plantedLinks.push_back(path);
    }

    void ExpectPlantsUntouched() {
        EXPECT_EQ(links::ReadBytes(target), kLinkTarget);
        for (const std::string& path : plantedFiles)
            EXPECT_EQ(links::ReadBytes(path), kPlanted) << path;
        for (const std::string& path : plantedLinks)
            EXPECT_TRUE(links::PointsTo(path, target)) << path << " is still a link";
    }

    // Answers every message box with OK until the box "Finished" comes, which
    // ends the script; returns the texts of the others. A page with a static
    // text of the message box's id is no box: only boxes have an OK button.
    std::vector<std::string> AnswerUntilFinished(WizardProcess& wizard) {
        std::vector<std::string> texts;
        for (int boxes = 0; boxes < 20; ++boxes) {
            MessageBoxInfo box;
            const bool came = WaitUntil(
                [&] {
                    for (HWND window : wizard.FindAll({kDialogClass, std::nullopt, IDOK})) {
                        box = ReadMessageBox(window);
                        if (box)
                            return true;
                    }
                    return !wizard.IsRunning();
                },
                kDefaultTimeoutMs);
            if (!came || !box) {
                ADD_FAILURE() << "the installation did not finish";
                return texts;
            }
            AnswerMessageBox(box.window, IDOK);
            wizard.WaitUntilGone(box.window);
            if (box.caption == "Finished")
                return texts;
            texts.push_back(box.text);
        }
        ADD_FAILURE() << "too many message boxes";
        return texts;
    }

    std::string app =
        "VLTest " + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::set<std::string> foldersBefore;
    std::string target;
    std::string systemFile; // a file the test put into the system directory
    std::vector<std::string> plantedFiles;
    std::vector<std::string> plantedLinks;
};

TEST_F(TempFilesTest, SplitFilesAreJoinedAwayFromPlantsAndTheRunFolderGoes) {
    PlantFile("joined.txt.ToInstall.TMP");
    PlantLink("linked.txt.ToInstall.TMP");
    for (const char* name : {"joined", "linked"}) {
        for (int disk = 1; disk <= 2; ++disk) {
            ASSERT_TRUE(Dir().WriteFile("disk" + std::to_string(disk) + "\\" + name + ".00" +
                                            std::to_string(disk),
                                        std::string(name) + " part " + std::to_string(disk) + ";"));
        }
    }
    WizardProcess& wizard = StartWithScript(CrLfScript({
        ("SetAppName(\"" + app + "\");").c_str(),
        R"(SetVariable("DP", "[SP]\target\");)",
        R"(CreateSection("Main", "1", "0", "m");)",
        R"(AddFile("[SP]\disk1\joined.001", "[DP]\joined.txt", "Main", "0", "1", "1", "0", "0", "0", "");)",
        R"(AddFile("[SP]\disk2\joined.002", "[DP]\joined.txt", "Main", "0", "2", "1", "1", "0", "0", "");)",
        R"(AddFile("[SP]\disk1\linked.001", "[DP]\linked.txt", "Main", "0", "1", "1", "0", "0", "0", "");)",
        R"(AddFile("[SP]\disk2\linked.002", "[DP]\linked.txt", "Main", "0", "2", "1", "1", "0", "0", "");)",
        "ShowSections();",
        "ShowCopy();",
        R"(ShowMessage("done", "Finished", "", "NOW");)",
    }));
    HWND page = wizard.WaitForPage(kList);
    ASSERT_TRUE(page);
    EXPECT_EQ(ListCellText(Control(page, kList), 0, 1), "56") << "both files are sized whole";
    ClickButton(page, kNextId);
    EXPECT_EQ(AnswerUntilFinished(wizard), std::vector<std::string>{});
    ExpectExitCode(0);

    EXPECT_EQ(links::ReadBytes(Dir().PathOf("target\\joined.txt")), "joined part 1;joined part 2;");
    EXPECT_EQ(links::ReadBytes(Dir().PathOf("target\\linked.txt")), "linked part 1;linked part 2;");
    ExpectPlantsUntouched();
    EXPECT_EQ(RunFolders(), foldersBefore) << "the run's folder is removed";
}

// A shared library in use is replaced at the next restart by a copy that
// stays in the run's folder, the only thing left there.
TEST_F(TempFilesTest, CopyForTheRestartKeepsTheRunFolder) {
    PendingRenames pendingRenames;
    const std::string inPlace = SystemDirectory() + "\\vltest_e2e_busy.dll";
    systemFile = inPlace;
    const std::string files = ToWinePath(std::string(VL_BINARY_DIR) + "/tests/install/files/");
    ASSERT_TRUE(CopyFileA((files + "vlsrv_2_0.dll").c_str(), inPlace.c_str(), FALSE));
    ASSERT_TRUE(Dir().WriteFile("disk1\\vlnew.dll", links::ReadBytes(files + "vlsrv_3_1.dll")));
    PlantLink("vlnew.dll.tmp");
    UniqueHandle held(CreateFileA(inPlace.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.IsValid());

    WizardProcess& wizard = StartWithScript(CrLfScript({
        ("SetAppName(\"" + app + "\");").c_str(),
        R"(SetVariable("DP", "[SP]\target\");)",
        R"(CreateSection("Main", "1", "0", "m");)",
        R"(AddFile("[SP]\disk1\vlnew.dll", "[DP]\vltest_e2e_busy.dll", "Main", "1", "1", "0", "0", "0", "0", "");)",
        "ShowCopy();",
        R"(ShowMessage("done", "Finished", "", "NOW");)",
    }));
    EXPECT_EQ(
        AnswerUntilFinished(wizard),
        std::vector<std::string>{"Sharing violation occured, setup cannot install the file."});
    ExpectExitCode(0);
    held.Reset();

    std::vector<std::string> newFolders;
    for (const std::string& folder : RunFolders()) {
        if (foldersBefore.count(folder) == 0)
            newFolders.push_back(SharedTemporaryFolder() + "\\" + folder);
    }
    ASSERT_EQ(newFolders.size(), 1u) << "the run's folder stays";
    const std::vector<std::string> left = Entries(newFolders[0] + "\\*");
    ASSERT_EQ(left.size(), 1u);
    const std::string copy = newFolders[0] + "\\" + left[0];
    EXPECT_EQ(_stricmp(left[0].c_str(), "vlnew.dll.tmp"), 0) << left[0];
    EXPECT_TRUE(links::ReadBytes(copy) == links::ReadBytes(Dir().PathOf("disk1\\vlnew.dll")));
    EXPECT_TRUE(PendingRenames::Holds(copy, inPlace));
    EXPECT_TRUE(links::ReadBytes(inPlace) == links::ReadBytes(files + "vlsrv_2_0.dll"))
        << "the copy in use stays until the restart";
    ExpectPlantsUntouched();
}

} // namespace
} // namespace e2e
