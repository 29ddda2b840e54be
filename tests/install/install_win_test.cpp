// Installing files with the real version service under Wine: the overwrite question, shared
// files and their registration, replacement at restart, split files, sizes, the language
// question. The disk prompt of a single file and a file in use are end-to-end cases.
#include "install/install_file.h"

#include "engine/path_text.h"
#include "install/source_retrieval.h"
#include "install_win_fixture.h"
#include "platform/system_libraries.h"

namespace installtest {
namespace {

// a.txt and b.txt, into a directory two levels below DP, which does not exist yet.
TEST_F(InstallTest, OverwriteQuestionAndWhatItsAnswersLeave) {
    const Box no{"Overwrite file", {1043}}, yes{"Overwrite file", {1012}};
    const struct {
        const char* name;
        bool existing;
        std::vector<Box> boxes;
        bool installed;
    } rows[] = {
        {"fresh", false, {}, true},
        {"No", true, {no, no}, false},
        {"Esc does nothing", true, {{"Overwrite file", {IDCANCEL, 1043}}, no}, false},
        {"Yes", true, {yes, yes}, true},
        {"Overwrite every file, asked once", true, {{"Overwrite file", {1044}}}, true},
    };
    for (const auto& row : rows) {
        Fresh();
        std::string paths, installedPath;
        for (const char* name : {"a.txt", "b.txt"}) {
            Add(name, "new", std::string("[DP]\\x\\\\y\\") + name);
            if (row.existing)
                WriteBytes(app + "\\x\\y\\" + name, "the user's");
            paths += row.installed ? app + "\\x\\y\\" + name : "";
        }
        Answerer answerer(row.boxes);
        EXPECT_EQ(InstallFileRecord(0, installedPath), 0) << row.name;
        std::string reported = installedPath;
        EXPECT_EQ(InstallFileRecord(1, installedPath), 0) << row.name;
        EXPECT_EQ(answerer.Unexpected(), "") << row.name;
        EXPECT_EQ(ReadBytes(app + "\\x\\y\\b.txt"), row.installed ? "new" : "the user's")
            << row.name;
        EXPECT_EQ(reported + installedPath, paths) << row.name;
        EXPECT_EQ(Log().empty(), !row.installed) << row.name;
    }
}

// Not installed (the source missing, Ignore), the destination is as it was: nothing made for
// the service stays behind, and the user's file, which Yes let the service replace, is not
// emptied before the service is asked.
TEST_F(InstallTest, AFileNotInstalledLeavesTheDestinationAsItWas) {
    const Box ignore{"a.txt.gone", {IDIGNORE}};
    for (const char* before : {static_cast<const char*>(nullptr), "the user's"}) {
        Fresh();
        Add("a.txt", "new", "[DP]\\a.txt").source += ".gone";
        if (before)
            WriteBytes(app + "\\a.txt", before);
        Answerer answerer(before ? std::vector<Box>{{"Overwrite file", {1012}}, ignore}
                                 : std::vector<Box>{ignore});
        std::string installedPath;
        EXPECT_EQ(InstallFileRecord(0, installedPath), 0);
        EXPECT_EQ(answerer.Unexpected(), "");
        EXPECT_EQ(ReadBytes(app + "\\a.txt"), before ? before : "<missing>");
    }
}

// The version service in front of the real one, counting its calls.
struct CountedService {
    static inline int calls = 0;
    static inline decltype(&::VerInstallFileA) service = nullptr;
    static DWORD WINAPI Install(DWORD flags, LPSTR name, LPSTR destinationName, LPSTR directory,
                                LPSTR destinationDirectory, LPSTR current, LPSTR temporary,
                                PUINT length) {
        ++calls;
        return service(flags, name, destinationName, directory, destinationDirectory, current,
                       temporary, length);
    }
    CountedService() {
        calls = 0;
        service = SystemFunctions().VerInstallFileA;
        SystemFunctions().VerInstallFileA = &Install;
    }
    ~CountedService() { SystemFunctions().VerInstallFileA = service; }
};

std::string Stamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return std::to_string(data.dwFileAttributes) + " " +
           std::to_string(data.ftLastWriteTime.dwHighDateTime) + ":" +
           std::to_string(data.ftLastWriteTime.dwLowDateTime) + " " + ReadBytes(path);
}

// A file with nothing in its place is copied without the service, and leaves what the service
// leaves (bytes, attributes of a read-only source from a CD, its time of the last change). A
// name that appears behind the run's back goes the service's way; a copy that fails leaves
// nothing.
TEST_F(InstallTest, DirectCopyLeavesWhatTheServiceLeaves) {
    const FILETIME old = {0x12345678, 0x01c08d96};
    const std::string byService = root + "\\service";
    const struct {
        const char* name;
        bool plantAfterTheCheck, breaksOff;
        int serviceCalls;
        std::vector<Box> boxes;
    } rows[] = {
        {"new file", false, false, 0, {}},
        {"name appears", true, false, 1, {}},
        {"source breaks off", false, true, 0, {{"vltest-copy", {IDIGNORE}}}},
    };
    for (const auto& row : rows) {
        Fresh();
        Add("first.txt", "first", "[DP]\\made\\first.txt");
        FileRecord& record = Add("a.txt", std::string(1500000, 'x'), "[DP]\\made\\a.txt");
        HANDLE source = CreateFileA(record.source.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        SetFileTime(source, &old, &old, &old);
        CloseHandle(source);
        SetFileAttributesA(record.source.c_str(), FILE_ATTRIBUTE_READONLY);
        // A source that gives some bytes, then fails: a pipe whose end goes away.
        std::thread pipe;
        if (row.breaksOff) {
            record.source = "\\\\.\\pipe\\vltest-copy";
            HANDLE server = CreateNamedPipeA(record.source.c_str(), PIPE_ACCESS_OUTBOUND,
                                             PIPE_TYPE_BYTE, 1, 65536, 65536, 0, nullptr);
            pipe = std::thread([server] {
                ConnectNamedPipe(server, nullptr);
                DWORD written = 0;
                WriteFile(server, "some bytes", 10, &written, nullptr);
                FlushFileBuffers(server);
                CloseHandle(server);
            });
        }
        CreateDirectoryA(byService.c_str(), nullptr);
        std::string installedPath;
        EXPECT_EQ(InstallFileRecord(0, installedPath), 0); // makes the directory
        if (row.plantAfterTheCheck)
            WriteBytes(app + "\\made\\a.txt", "planted");
        CountedService counted;
        Answerer answerer(row.boxes);
        EXPECT_EQ(InstallFileRecord(1, installedPath), 0) << row.name;
        EXPECT_EQ(answerer.Unexpected(), "") << row.name;
        EXPECT_EQ(counted.calls, row.serviceCalls) << row.name;
        if (row.breaksOff) {
            pipe.join();
            EXPECT_FALSE(Exists(app + "\\made\\a.txt")) << row.name;
            continue;
        }
        char name[] = "a.txt", temporary[MAX_PATH] = "";
        UINT length = MAX_PATH;
        std::string directory = DirectoryWithBackslashOf(record.source), into = byService;
        EXPECT_EQ(counted.service(VIFF_FORCEINSTALL, name, name, &directory[0], &into[0], nullptr,
                                  temporary, &length),
                  0u);
        EXPECT_EQ(Stamp(app + "\\made\\a.txt"), Stamp(byService + "\\a.txt")) << row.name;
        SetFileAttributesA(record.source.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// Installed as vltest_shared.dll, whatever its source is called; an older copy of that name
// in DP is what the service finds, and it goes when the file lands in the system directory.
TEST_F(InstallTest, SharedFileGoesWhereTheServiceSaysAndOnlyServersRegister) {
    const std::string installed = SystemDirectory() + "\\vltest_shared.dll";
    const Box told{"Server registration", {IDOK}};
    const char* registers = "SHARED\r\nAUTOREGSVR\r\n";
    const struct {
        const char* built; // "" for a data file
        int shared;
        const char* inPlace; // in the system directory before
        bool copyInDp;
        std::vector<Box> boxes;
        const char* registered;
        const char* logTail; // the kind lines; inPlace: kept, and logged for its use
    } rows[] = {
        {"vlsrv_3_1.dll", 1, "", true, {}, "vlsrv_3_1", registers},
        {"vlsrv_register_false.dll", 1, "", false, {told}, "vlsrv_register_false", registers},
        {"vlsrv_no_export.dll", 1, "", false, {}, "", "SHARED\r\nNOAUTOREGSVR\r\n"},
        {"", 1, "", false, {}, "", "SHARED\r\n"},
        {"vlsrv_2_0.dll", 1, "vlsrv_3_1.dll", false, {}, "", "SHARED\r\n"},
        {"vlsrv_register_ok.dll", 0, "", false, {}, "", "NONSHARED\r\n"},
    };
    for (const auto& row : rows) {
        Fresh();
        SetEnvironmentVariableA("VL_TEST_SERVER_REGISTERED", nullptr);
        DeleteFileA(installed.c_str());
        ForgetSharedCount(installed);
        if (*row.inPlace)
            CopyFileA(Built(row.inPlace).c_str(), installed.c_str(), FALSE);
        if (row.copyInDp)
            WriteBytes(app + "\\vltest_shared.dll", ReadBytes(Built("vlsrv_2_0.dll")));
        const std::string bytes = *row.built ? ReadBytes(Built(row.built)) : "plain data";
        Add(*row.built ? row.built : "data.dat", bytes, "[DP]\\vltest_shared.dll", row.shared);
        const std::string target = row.shared ? installed : app + "\\vltest_shared.dll";

        Answerer answerer(row.boxes);
        std::string installedPath;
        EXPECT_EQ(InstallFileRecord(0, installedPath), 0) << row.built;
        EXPECT_EQ(answerer.Unexpected(), "") << row.built;
        char registered[64] = "";
        GetEnvironmentVariableA("VL_TEST_SERVER_REGISTERED", registered, sizeof registered);
        EXPECT_STREQ(registered, row.registered) << row.built;
        const bool kept = *row.inPlace;
        EXPECT_EQ(installedPath, kept ? "" : target) << row.built;
        EXPECT_TRUE(ReadBytes(target) == (kept ? ReadBytes(Built(row.inPlace)) : bytes));
        const std::string logged = row.shared ? target : ShortPath(target);
        EXPECT_EQ(Log(), logged + "\r\n" + row.logTail) << row.built;
        // A copy found in place without a count has a user nobody knows of.
        EXPECT_EQ(SharedCount(installed), row.shared ? (kept ? 2 : 1) : -1) << row.built;
        EXPECT_EQ(Exists(app + "\\vltest_shared.dll"), !row.shared) << row.built;
    }
    DeleteFileA(installed.c_str());
    ForgetSharedCount(installed);
}

// In front of the service's install call: the first call answers `first` and leaves a copy
// of `firstCopy` as its temporary file; later calls go to the service. Every call notes the
// temporary name it was handed.
struct ServiceInFront {
    static inline DWORD first = 0;
    static inline std::string firstCopy;
    static inline std::vector<std::string> handed;
    static inline decltype(&::VerInstallFileA) service = nullptr;

    static DWORD WINAPI Install(DWORD flags, LPSTR name, LPSTR destinationName, LPSTR directory,
                                LPSTR destinationDirectory, LPSTR current, LPSTR temporary,
                                PUINT length) {
        handed.push_back(temporary);
        if (handed.size() > 1)
            return service(flags, name, destinationName, directory, destinationDirectory, current,
                           temporary, length);
        CopyFileA(firstCopy.c_str(), (std::string(destinationDirectory) + "\\vlfake.tmp").c_str(),
                  FALSE);
        lstrcpyA(temporary, "vlfake.tmp");
        return first;
    }
    explicit ServiceInFront(DWORD result, const std::string& copy) {
        first = result;
        firstCopy = copy;
        handed.clear();
        service = SystemFunctions().VerInstallFileA;
        if (result != 0)
            SystemFunctions().VerInstallFileA = &Install;
    }
    ~ServiceInFront() { SystemFunctions().VerInstallFileA = service; }
};

// The copy in place (2.0) is held open. What replaces it at the next start is the expanded
// file: the service's temporary copy when it made one, else the packed source unpacked.
// Yes to the attribute question repeats the call with the force flag and, as the service
// asks, an empty temporary name.
TEST_F(InstallTest, InUseReplacedAtRestartByTheExpandedFileAndForcedRetriesStartEmpty) {
    const std::string installed = SystemDirectory() + "\\vltest_busy.dll";
    const struct {
        const char* source;
        DWORD first; // 0: the service alone
        int answer;  // to the one box
        const char* scheduled;
    } rows[] = {
        {"vlsrv_3_1.dll_", 0, IDOK, "vlsrv_3_1.dll"},
        {"vlsrv_3_1_0_5.dll", VIF_TEMPFILE | VIF_FILEINUSE, IDOK, "vlsrv_3_1_9_9.dll"},
        {"vlsrv_3_1.dll", VIF_TEMPFILE | VIF_MISMATCH, IDYES, nullptr},
    };
    for (const auto& row : rows) {
        Fresh();
        PendingRenames pendingRenames;
        CopyFileA(Built("vlsrv_2_0.dll").c_str(), installed.c_str(), FALSE);
        HANDLE held = row.scheduled ? CreateFileA(installed.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                  nullptr, OPEN_EXISTING, 0, nullptr)
                                    : INVALID_HANDLE_VALUE;
        Add(row.source, ReadBytes(Built(row.source)), "[DP]\\vltest_busy.dll", 1);
        const std::string name = FileNameOf(ShortPath(model.files[0].source));
        ServiceInFront inFront(row.first, Built(row.scheduled ? row.scheduled : row.source));
        Answerer answerer({{name, {row.answer}}});
        std::string installedPath;
        EXPECT_EQ(InstallFileRecord(0, installedPath), 0) << row.source;
        EXPECT_EQ(answerer.Unexpected(), "") << row.source;
        CloseHandle(held);
        const std::string copy = RunFilePath(name + ".tmp");
        EXPECT_TRUE(ReadBytes(row.scheduled ? copy : installed) ==
                    ReadBytes(Built(row.scheduled ? row.scheduled : row.source)))
            << row.source;
        EXPECT_EQ(PendingRenames::Holds(copy, installed), row.scheduled != nullptr) << row.source;
        EXPECT_EQ(installedPath, row.scheduled ? "" : installed) << row.source;
        EXPECT_FALSE(Exists(SystemDirectory() + "\\vlfake.tmp")) << row.source;
        for (const std::string& handed : ServiceInFront::handed)
            EXPECT_EQ(handed, "") << row.source;
    }
    DeleteFileA(installed.c_str());
}

// Joined from disks 1 to 3 (the first part larger than the copy buffer) after the size
// query joined the first part once already; the second part is missing in some rows.
TEST_F(InstallTest, SplitFileIsInstalledJoinedInRecordOrderOnlyWhenWhole) {
    const std::string first(2 * kCopyBufferSize + 7, 'L');
    const std::string part2 = root + "\\disk2\\joined.2";
    const struct {
        const char* name;
        std::vector<Box> boxes;
        int result;
    } rows[] = {
        {"whole", {}, 0},
        {"Ignore: not installed, and told", {{part2, {IDIGNORE}}, {"joined.txt", {IDOK}}}, 0},
        {"Abort, No, Abort, Yes quits",
         {{part2, {IDABORT}}, {"Quit setup", {IDNO}}, {part2, {IDABORT}}, {"Quit setup", {IDYES}}},
         1},
    };
    for (const auto& row : rows) {
        Fresh();
        const std::string bytes[] = {first, "second,", "third."};
        for (int i = 0; i < 3; ++i) {
            FileRecord& part =
                Add("joined." + std::to_string(i + 1), bytes[i], "[DP]\\joined.txt", 0, i + 1);
            part.splitPart = 1;
            part.lastPart = i == 2;
        }
        EXPECT_EQ(QuerySourceSize(0), 0u);
        if (!row.boxes.empty())
            DeleteFileA(part2.c_str());

        Answerer answerer(row.boxes);
        std::string paths[3];
        int result = 0;
        for (int i = 0; i < 3 && result == 0; ++i)
            result = InstallFileRecord(i, paths[i]);
        EXPECT_EQ(result, row.result) << row.name;
        EXPECT_EQ(answerer.Unexpected(), "") << row.name;
        EXPECT_EQ(QuitRequested(), row.result == 1) << row.name;
        const bool whole = row.boxes.empty();
        EXPECT_TRUE(ReadBytes(app + "\\joined.txt") ==
                    (whole ? first + "second,third." : "<missing>"))
            << row.name;
        EXPECT_EQ(paths[0] + paths[1] + paths[2], whole ? app + "\\joined.txt" : "") << row.name;
        EXPECT_EQ(Entries(DirectoryOf(RunFilePath("x"))), std::vector<std::string>{}) << row.name;
    }
}

// The service builds its temporary file's path in a buffer of about 128 characters: a
// destination directory too long for it goes in its short form, a shorter one as it is.
TEST_F(InstallTest, DestinationDirectoriesOfEveryLengthTakeTheirFiles) {
    for (const std::size_t length : {100u, 140u}) {
        Fresh();
        const std::string directory = app + "\\" + std::string(length - app.size() - 1, 'd');
        Add("a.txt", "new", directory + "\\a.txt");
        std::string installedPath;
        Answerer answerer;
        EXPECT_EQ(InstallFileRecord(0, installedPath), 0) << length;
        EXPECT_EQ(answerer.Unexpected(), "") << length;
        EXPECT_EQ(ReadBytes(directory + "\\a.txt"), "new") << length;
        EXPECT_EQ(Log(), ShortPath(directory + "\\a.txt") + "\r\nNONSHARED\r\n") << length;
    }
}

TEST_F(InstallTest, SizesAreExpandedAndCountedIn64Bits) {
    Add("packed.txt_", ReadBytes(Built("packed.txt_")), "[DP]\\packed.txt");
    Add("missing.txt", "", "[DP]\\missing.txt").source += ".gone";
    HANDLE large = CreateFileA(Add("large.bin", "", "[DP]\\large.bin").source.c_str(),
                               GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 5LL << 30;
    ASSERT_TRUE(SetFilePointerEx(large, size, nullptr, FILE_BEGIN) && SetEndOfFile(large));
    CloseHandle(large);

    Answerer answerer; // a missing source brings up no prompt here
    EXPECT_EQ(QuerySourceSize(0), ReadBytes(Built("packed.txt")).size());
    EXPECT_EQ(QuerySourceSize(1), 0u);
    EXPECT_EQ(QuerySourceSize(2), 5ULL << 30);
    EXPECT_EQ(answerer.Unexpected(), "");
}

TEST_F(InstallTest, LanguageQuestionShowsBothFilesAndEscDoesNothing) {
    std::vector<std::string> fields;
    const auto read = [&](HWND box) {
        for (int id : {1037, 1038, 1040, 1035, 1036, 1039}) {
            char text[MAX_PATH] = "";
            GetDlgItemTextA(box, id, text, MAX_PATH);
            fields.push_back(text);
        }
    };
    LONG_PTR noStyle = 0;
    Answerer answerer({{"Different languages/codepages", {IDCANCEL, 1041}, read},
                       {"a.dll", {IDNO}, [&](HWND box) {
                            noStyle = GetWindowLongPtrA(GetDlgItem(box, IDNO), GWL_STYLE);
                        }}});
    const std::string english = Built("vlsrv_2_0.dll"), german = Built("vlsrv_3_1.dll");
    EXPECT_EQ(AskLanguageConflict(english, german), 1);
    ScreenQuestions questions;
    EXPECT_EQ(MapInstallResult(kVifMismatch, "a.dll", 1, questions), kActionSkip);
    EXPECT_EQ(answerer.Unexpected(), "");
    EXPECT_EQ(fields,
              (std::vector<std::string>{english, "English", "1252", german, "German", "1252"}));
    EXPECT_EQ(noStyle & BS_TYPEMASK, BS_DEFPUSHBUTTON) << "No is the attribute question's default";
}

} // namespace
} // namespace installtest
