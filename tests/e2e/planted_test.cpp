// What other users can plant: libraries named like the system's beside the setup program,
// and files and links in the shared TEMP folder under the names that staging files and
// copies for the restart once had. None of them is run, read, written or followed, and the
// run's own folder there is gone at the end unless it holds a copy waiting for the restart.
#include "e2e_test.h"

#include <set>
#include <sstream>

namespace e2e {
namespace {

const char* const kPlanted[] = {"version", "setupapi"};

std::set<std::string> RunFolders() {
    std::set<std::string> folders;
    for (const std::string& name : Entries(WindowsTemp()))
        if (name.rfind("VLSetup-", 0) == 0)
            folders.insert(name);
    return folders;
}

std::set<std::string> Lines(const std::string& path) {
    std::set<std::string> lines;
    std::istringstream text(Exists(path) ? ReadBytes(path) : "");
    for (std::string line; std::getline(text, line);)
        lines.insert(line.substr(0, line.find('\r')));
    return lines;
}

// Wine takes a library from the program's directory only in native-first order, which the
// test sets for the two programs; Wine reads WINEDLLOVERRIDES from Linux only.
struct NativeFirst {
    explicit NativeFirst(const std::string& exe) {
        const std::string key = "Software\\Wine\\AppDefaults\\" + exe + "\\DllOverrides";
        for (const char* name : kPlanted) {
            saved.push_back(std::make_unique<SavedRegistryValue>(HKEY_CURRENT_USER, key, name));
            RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, "native,builtin", 15);
        }
    }
    std::vector<std::unique_ptr<SavedRegistryValue>> saved;
};

class PlantedTest : public E2eTest {
  protected:
    void SetUp() override {
        E2eTest::SetUp();
        before = RunFolders();
        Put("linktarget.txt", "what the planted link points to");
    }
    void TearDown() override {
        E2eTest::TearDown();
        for (const std::string& path : planted)
            DeleteFileA(path.c_str());
        for (const std::string& path : links)
            RemoveLink(path);
        if (!systemFile.empty())
            DeleteFileA(systemFile.c_str());
        for (const std::string& folder : RunFolders())
            if (before.count(folder) == 0)
                RemoveTree(WindowsTemp() + "\\" + folder);
    }
    void PlantFile(const std::string& name) {
        planted.push_back(WindowsTemp() + "\\" + name);
        RemoveLink(planted.back());
        ASSERT_TRUE(WriteBytes(planted.back(), "planted by another user"));
    }
    void PlantLink(const std::string& name) {
        links.push_back(WindowsTemp() + "\\" + name);
        RemoveLink(links.back());
        DeleteFileA(links.back().c_str());
        if (!MakeLink(links.back(), At("linktarget.txt")))
            GTEST_SKIP() << "no symbolic link can be made here";
    }
    void ExpectPlantsUntouched() {
        EXPECT_EQ(ReadBytes(At("linktarget.txt")), "what the planted link points to");
        for (const std::string& path : planted)
            EXPECT_EQ(ReadBytes(path), "planted by another user") << path;
        for (const std::string& path : links)
            EXPECT_TRUE(PointsTo(path, At("linktarget.txt"))) << path;
    }

    std::set<std::string> before;
    std::vector<std::string> planted;
    std::vector<std::string> links;
    std::string systemFile;
};

// The positive control: a program that loads the libraries by bare name from the same
// directory gets the planted ones, so their silence during the run means something. The run
// installs a shared library in use: it is replaced at the next restart by a copy that waits
// in the run's folder, the only thing left there.
TEST_F(PlantedTest, PlantedSystemLibrariesAreNotCalledAndTheCopyForTheRestartStays) {
    for (const char* name : kPlanted) {
        const std::string library = std::string(name) + ".dll";
        ASSERT_TRUE(
            CopyFileA(WinePath(VL_PLANTED_DIR "/" + library).c_str(), At(library).c_str(), FALSE))
            << library;
    }
    ASSERT_TRUE(CopyFileA(WinePath(VL_PLANT_PROBE).c_str(), At("plant_probe.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(SetupExe().c_str(), At("VLSetup.exe").c_str(), FALSE));
    NativeFirst probeOrder("plant_probe.exe");
    NativeFirst setupOrder("VLSetup.exe");
    {
        Wizard probe(At("plant_probe.exe"), SetupDir());
        ASSERT_EQ(probe.WaitForExit(), std::optional<int>(0));
    }
    EXPECT_EQ(Lines(At("version.dll.called")).count("GetFileVersionInfoSizeA"), 1u);
    ASSERT_EQ(Lines(At("setupapi.dll.called")),
              std::set<std::string>{"SetupGetFileCompressionInfoA"})
        << "the planted setupapi.dll is not what a bare-name load takes: the test proves nothing";
    for (const char* name : kPlanted) {
        DeleteFileA(At(std::string(name) + ".dll.called").c_str());
        DeleteFileA(At(std::string(name) + ".dll.loaded").c_str());
    }

    PendingRenames renames;
    Put("disk1\\app.txt", std::string(1234, 'a'));
    systemFile = SystemDirectory() + "\\vle2e_busy.dll";
    ASSERT_TRUE(
        CopyFileA(WinePath(VL_TEST_FILES "/vlsrv_2_0.dll").c_str(), systemFile.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(WinePath(VL_TEST_FILES "/vlsrv_3_1.dll").c_str(),
                          At("disk1\\vlnew.dll").c_str(), FALSE));
    const std::string inUse = ReadBytes(systemFile);
    const std::string size = std::to_string(1234 + ReadBytes(At("disk1\\vlnew.dll")).size());
    PlantLink("vlnew.dll.tmp");
    HANDLE held = CreateFileA(systemFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::string result =
        Run(Header() + Script({AddFile("disk1\\app.txt", "app.txt"),
                               AddFile("disk1\\vlnew.dll", "vle2e_busy.dll",
                                       R"("Main", "1", "1", "0", "0", "0", "0", "")"),
                               "ShowSections();", "ShowCopy();"}),
            {Page(IDC_SECTIONS_LIST), Size(0, size), Click(IDC_NEXT),
             ExpectBox("vlnew.dll", "Sharing violation occured, setup cannot install the file."),
             ExpectExit(0)},
            At("VLSetup.exe"));
    CloseHandle(held);
    EXPECT_EQ(result, "");
    EXPECT_EQ(ReadBytes(Target("app.txt")), std::string(1234, 'a'));
    std::vector<std::string> added;
    for (const std::string& folder : RunFolders())
        if (before.count(folder) == 0)
            added.push_back(WindowsTemp() + "\\" + folder);
    ASSERT_EQ(added.size(), 1u) << "the run's folder stays";
    ASSERT_EQ(Entries(added[0]), std::vector<std::string>{"vlnew.dll.tmp"});
    const std::string copy = added[0] + "\\vlnew.dll.tmp";
    EXPECT_TRUE(ReadBytes(copy) == ReadBytes(At("disk1\\vlnew.dll")));
    EXPECT_TRUE(PendingRenames::Holds(copy, systemFile));
    EXPECT_TRUE(ReadBytes(systemFile) == inUse) << "the copy in use stays until the restart";
    ExpectPlantsUntouched();
    // Wine's own user32 imports version.dll and calls these; any other call is the program's.
    const std::set<std::string> wine = {"GetFileVersionInfoSizeW", "GetFileVersionInfoW",
                                        "VerQueryValueW"};
    for (const std::string& call : Lines(At("version.dll.called")))
        EXPECT_EQ(wine.count(call), 1u) << "the program called the planted " << call;
    EXPECT_EQ(Lines(At("setupapi.dll.called")), std::set<std::string>{});
}

// Each split file is joined in a fresh staging file, also after the sections page joined it
// for its size, when its parts are listed by disk between another file's of the same name in
// another folder, and when it is installed a second time, away from what is planted at its
// old name.
TEST_F(PlantedTest, SplitFilesAreJoinedAwayFromPlantsAndTheRunFolderGoes) {
    PlantFile("joined.txt.ToInstall.TMP");
    PlantLink("linked.txt.ToInstall.TMP");
    std::string script = Header();
    for (const std::string part :
         {"joined.1", "linked.1", "joined.2", "linked.2", "joined.1", "joined.2"}) {
        const std::string name = part.substr(0, 6), disk = part.substr(7);
        Put("disk" + disk + "\\" + part, name + " part " + disk + ";");
        script += AddFile("disk" + disk + "\\" + part,
                          name == "linked" ? "sub\\joined.txt" : "joined.txt",
                          "\"Main\", \"0\", \"" + disk + "\", \"1\", \"" +
                              (disk == "2" ? "1" : "0") + "\", \"0\", \"0\", \"\"") +
                  "\r\n";
    }
    EXPECT_EQ(Run(script + "ShowSections();\r\nShowCopy();\r\n",
                  {Page(IDC_SECTIONS_LIST), Size(0, "84"), Click(IDC_NEXT),
                   Answer("Overwrite file", IDC_OVERWRITE_YES), ExpectExit(0)}),
              "");
    EXPECT_EQ(ReadBytes(Target("joined.txt")), "joined part 1;joined part 2;");
    EXPECT_EQ(ReadBytes(Target("sub\\joined.txt")), "linked part 1;linked part 2;");
    ExpectPlantsUntouched();
    EXPECT_EQ(RunFolders(), before);
}

} // namespace
} // namespace e2e
