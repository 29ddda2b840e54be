// A setup program started from a folder that also holds libraries named like
// the system libraries it uses (version.dll, setupapi.dll) must never run them:
// it loads those libraries by their full path in the system directory. The
// planted libraries are made by the test build (tests/install/planted_library.c)
// and write the name of every function called into "<library>.called" beside
// them, and "<library>.loaded" when they are loaded.
//
// Wine takes a library from the program's folder only in native-first order,
// which the test sets for programs named VLSetup.exe in the registry: Wine reads
// WINEDLLOVERRIDES only from the Linux environment, not from a Windows parent.
// Wine's own user32 imports version.dll, so in that order the planted
// version.dll is loaded into every window program before the program's own
// code runs. Its being loaded is therefore no fault of the program; its being
// called would be.
#include "controls.h"
#include "driver.h"
#include "wizard_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

namespace e2e {
namespace {

constexpr char kAppKey[] = "Software\\Wine\\AppDefaults\\VLSetup.exe";
constexpr char kOverridesKey[] = "Software\\Wine\\AppDefaults\\VLSetup.exe\\DllOverrides";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VLTest DllPlanting";
const char* const kPlanted[] = {"version", "setupapi"};
// What Wine's user32 imports from version.dll.
const std::set<std::string> kCalledByWine = {"GetFileVersionInfoSizeW", "GetFileVersionInfoW",
                                             "VerQueryValueW"};
constexpr int kList = 1009;

// A file that the test build made, in the build tree.
std::string BuiltFile(const std::string& relative) {
    return ToWinePath(std::string(VL_BINARY_DIR) + "/" + relative);
}

bool KeyExists(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Removes a key that the test made, once nothing else is in it.
void DeleteKeyIfEmpty(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD subkeys = 0;
    DWORD values = 0;
    const LONG status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                         &values, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (status == ERROR_SUCCESS && subkeys == 0 && values == 0)
        RegDeleteKeyA(HKEY_CURRENT_USER, path);
}

// Native-first order for the planted libraries in programs named VLSetup.exe,
// while it lives; afterwards the registry is as it was.
class NativeFirstOrder {
  public:
    NativeFirstOrder() {
        createdAppKey_ = !KeyExists(kAppKey);
        createdOverridesKey_ = !KeyExists(kOverridesKey);
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kOverridesKey, 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return;
        const char order[] = "native,builtin";
        for (const char* name : kPlanted) {
            char value[256] = {};
            DWORD size = sizeof value - 1;
            if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                                 &size) == ERROR_SUCCESS)
                saved_[name] = value;
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(order),
                           sizeof order);
        }
        RegCloseKey(key);
        set_ = true;
    }
    ~NativeFirstOrder() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kOverridesKey, 0, KEY_SET_VALUE, &key) ==
            ERROR_SUCCESS) {
            for (const char* name : kPlanted) {
                const auto saved = saved_.find(name);
                if (saved == saved_.end()) {
                    RegDeleteValueA(key, name);
                } else {
                    RegSetValueExA(key, name, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(saved->second.c_str()),
                                   static_cast<DWORD>(saved->second.size() + 1));
                }
            }
            RegCloseKey(key);
        }
        if (createdOverridesKey_)
            DeleteKeyIfEmpty(kOverridesKey);
        if (createdAppKey_)
            DeleteKeyIfEmpty(kAppKey);
    }
    NativeFirstOrder(const NativeFirstOrder&) = delete;
    NativeFirstOrder& operator=(const NativeFirstOrder&) = delete;

    bool IsSet() const { return set_; }

  private:
    bool set_ = false;
    bool createdAppKey_ = false;
    bool createdOverridesKey_ = false;
    std::map<std::string, std::string> saved_;
};

class DllPlantingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sharedFile = SystemDirectory() + "\\vltest_planting.dll";
        Cleanup();
    }
    void TearDown() override {
        if (wizard && !wizard->WaitForExit(3000)) {
            ADD_FAILURE() << "the wizard was still running at the end of the test; killed";
            wizard->Kill();
        }
        wizard.reset();
        Cleanup();
    }
    void Cleanup() {
        DeleteFileA(sharedFile.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    }

    SetupDir dir{"DllPlantingTest.PlantedLibraries"};
    std::string sharedFile;
    std::unique_ptr<WizardProcess> wizard;
};

// The installation asks the setup service for the size of a file (sections
// page) and the version service where a shared file goes and to install it and
// a plain file (copy page).
TEST_F(DllPlantingTest, PlantedSystemLibrariesAreNotCalled) {
    ASSERT_TRUE(
        CopyFileA(ToWinePath(VL_SETUP_EXE).c_str(), dir.PathOf("VLSetup.exe").c_str(), FALSE));
    for (const char* name : kPlanted) {
        const std::string library = std::string(name) + ".dll";
        ASSERT_TRUE(
            CopyFileA(BuiltFile("planted/" + library).c_str(), dir.PathOf(library).c_str(), FALSE))
            << "the planted " << library << " is made by the test build";
    }
    const std::string app(1234, 'a');
    ASSERT_TRUE(dir.WriteFile("disk1\\app.txt", app));
    const std::string server = BuiltFile("tests/install/files/vlsrv_no_export.dll");
    ASSERT_TRUE(CopyFileA(server.c_str(), dir.PathOf("disk1\\vlplant.dll").c_str(), FALSE));
    ASSERT_TRUE(dir.WriteScript(CrLfScript({
        R"(SetAppName("VLTest DllPlanting");)",
        R"(SetVariable("DP", "[SP]\target\");)",
        R"(CreateSection("Main", "1", "0", "m");)",
        R"(AddFile("[SP]\disk1\app.txt", "[DP]\app.txt", "Main", "0", "1", "0", "0", "0", "0", "");)",
        R"(AddFile("[SP]\disk1\vlplant.dll", "[DP]\vltest_planting.dll", "Main", "1", "1", "0", "0", "0", "0", "");)",
        "ShowSections();",
        "ShowCopy();",
        R"(ShowMessage("done", "Finished", "", "NOW");)",
    })));

    NativeFirstOrder order;
    ASSERT_TRUE(order.IsSet());
    wizard = std::make_unique<WizardProcess>(dir.PathOf("VLSetup.exe"), dir.Path());
    ASSERT_TRUE(wizard->Started()) << "error " << wizard->StartError();
    HWND page = wizard->WaitForPage(kList);
    ASSERT_TRUE(page);
    const std::string sectionSize =
        std::to_string(app.size() + ReadBytes(dir.PathOf("disk1\\vlplant.dll")).size());
    EXPECT_EQ(ListCellText(Control(page, kList), 0, 1), sectionSize)
        << "the sizes come from the system's setup service";
    ClickButton(page, kNextId);
    // The planted libraries are examined also when the installation fails.
    MessageBoxInfo done = wizard->WaitForMessageBox("Finished");
    if (done) {
        AnswerMessageBox(done.window, IDOK);
        EXPECT_EQ(wizard->WaitForExit(), std::optional<int>(0));
    } else {
        ADD_FAILURE() << "the installation did not finish";
        wizard->Kill();
    }

    EXPECT_TRUE(ReadBytes(dir.PathOf("target\\app.txt")) == app) << "the plain file is installed";
    EXPECT_TRUE(ReadBytes(sharedFile) == ReadBytes(dir.PathOf("disk1\\vlplant.dll")))
        << "the shared file is installed in the system directory";
    // Wine's user32 calls the planted version.dll itself, through its own
    // imports; any other call came from the program.
    for (const char* name : kPlanted) {
        const std::string calls = dir.PathOf(std::string(name) + ".dll.called");
        std::istringstream lines(Exists(calls) ? ReadBytes(calls) : std::string());
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            EXPECT_EQ(kCalledByWine.count(line), 1u)
                << "the program called " << line << " of the planted " << name << ".dll";
        }
    }
    // Nothing of Wine's loads setupapi.dll by name, so the planted one is not
    // even loaded.
    EXPECT_FALSE(Exists(dir.PathOf("setupapi.dll.loaded")));
}

} // namespace
} // namespace e2e
