// Reads the dialog templates, the welcome picture and the manifest back out of the built
// VLSetup.exe and compares them with what the pages and the conflict questions rely on.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "resources/resource_ids.h"

namespace {

constexpr LANGID kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
constexpr int kProcessManifestId = 1; // CREATEPROCESS_MANIFEST_RESOURCE_ID

// ---------------------------------------------------------------------------------------
// Loading the executable

// The build hands over a Linux path; Wine sees the Linux root as drive Z:.
std::string SetupExePath() {
    std::string path = VL_SETUP_EXE;
    if (!path.empty() && path[0] == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
    return path;
}

HMODULE SetupExe() {
    static HMODULE module =
        LoadLibraryExA(SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

struct ResourceBytes {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

ResourceBytes FindResourceBytes(LPCSTR type, int id, LANGID language) {
    ResourceBytes bytes;
    HRSRC info = FindResourceExA(SetupExe(), type, MAKEINTRESOURCEA(id), language);
    if (info == nullptr) {
        return bytes;
    }
    HGLOBAL loaded = LoadResource(SetupExe(), info);
    bytes.data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    bytes.size = bytes.data ? SizeofResource(SetupExe(), info) : 0;
    return bytes;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::set<LANGID>*>(found)->insert(language);
    return TRUE;
}

std::set<LANGID> LanguagesOf(LPCSTR type, int id) {
    std::set<LANGID> found;
    EnumResourceLanguagesA(SetupExe(), type, MAKEINTRESOURCEA(id), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&found));
    return found;
}

// Texts are compared in the program's ANSI code page 1252, the way the pages read them.
std::string ToCp1252(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    int length = WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, text.data(),
                                     static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(length, '\0');
    WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                        &result[0], length, nullptr, nullptr);
    return result;
}

// ---------------------------------------------------------------------------------------
// Dialog template parser (DLGTEMPLATE and DLGTEMPLATEEX)

struct ControlTemplate {
    int id = 0;
    std::string className; // lower case; the predefined ordinals are named
    std::wstring text;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
    bool valid = false;
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::wstring caption;
    std::wstring fontName;
    WORD pointSize = 0;
    std::vector<ControlTemplate> controls;
};

class TemplateReader {
  public:
    TemplateReader(const BYTE* data, DWORD size) : begin_(data), at_(data), end_(data + size) {}

    bool Ok() const { return ok_; }

    WORD Word() {
        WORD value = 0;
        Copy(&value, sizeof value);
        return value;
    }

    DWORD Dword() {
        DWORD value = 0;
        Copy(&value, sizeof value);
        return value;
    }

    short Short() { return static_cast<short>(Word()); }

    void Skip(size_t count) {
        if (static_cast<size_t>(end_ - at_) < count) {
            ok_ = false;
            at_ = end_;
            return;
        }
        at_ += count;
    }

    void AlignDword() { Skip((4 - (at_ - begin_) % 4) % 4); }

    // A field that is empty (0x0000), an ordinal (0xFFFF, value) or a zero-ended string.
    std::wstring StringOrOrdinal(int* ordinal) {
        *ordinal = -1;
        WORD first = Word();
        if (first == 0xFFFF) {
            *ordinal = Word();
            return std::wstring();
        }
        std::wstring text;
        for (WORD c = first; ok_ && c != 0; c = Word()) {
            text.push_back(static_cast<wchar_t>(c));
        }
        return text;
    }

  private:
    void Copy(void* target, size_t count) {
        if (static_cast<size_t>(end_ - at_) < count) {
            ok_ = false;
            at_ = end_;
            return;
        }
        std::memcpy(target, at_, count);
        at_ += count;
    }

    const BYTE* begin_;
    const BYTE* at_;
    const BYTE* end_;
    bool ok_ = true;
};

std::string ClassName(const std::wstring& name, int ordinal) {
    switch (ordinal) {
    case -1:
        break;
    case 0x80:
        return "button";
    case 0x81:
        return "edit";
    case 0x82:
        return "static";
    case 0x83:
        return "listbox";
    case 0x84:
        return "scrollbar";
    case 0x85:
        return "combobox";
    default:
        return "#" + std::to_string(ordinal);
    }
    std::string lower;
    for (wchar_t c : name) {
        lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return lower;
}

DialogTemplate ParseDialog(const BYTE* data, DWORD size) {
    DialogTemplate dialog;
    TemplateReader in(data, size);
    int ordinal = 0;

    WORD version = in.Word();
    WORD signature = in.Word();
    bool extended = version == 1 && signature == 0xFFFF;
    if (extended) {
        in.Dword(); // help id
        in.Dword(); // extended style
        dialog.style = in.Dword();
    } else {
        dialog.style = MAKELONG(version, signature);
        in.Dword(); // extended style
    }
    WORD count = in.Word();
    in.Short(); // x
    in.Short(); // y
    dialog.cx = in.Short();
    dialog.cy = in.Short();
    in.StringOrOrdinal(&ordinal); // menu
    in.StringOrOrdinal(&ordinal); // window class
    dialog.caption = in.StringOrOrdinal(&ordinal);
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = in.Word();
        if (extended) {
            in.Word();  // weight
            in.Skip(2); // italic, character set
        }
        dialog.fontName = in.StringOrOrdinal(&ordinal);
    }

    for (WORD i = 0; i < count && in.Ok(); ++i) {
        ControlTemplate control;
        in.AlignDword();
        if (extended) {
            in.Dword(); // help id
            in.Dword(); // extended style
            control.style = in.Dword();
        } else {
            control.style = in.Dword();
            in.Dword(); // extended style
        }
        control.x = in.Short();
        control.y = in.Short();
        control.cx = in.Short();
        control.cy = in.Short();
        control.id = extended ? static_cast<int>(in.Dword()) : in.Short();
        std::wstring className = in.StringOrOrdinal(&ordinal);
        control.className = ClassName(className, ordinal);
        control.text = in.StringOrOrdinal(&ordinal);
        WORD extra = in.Word();
        // The classic format counts the size word itself; the extended one does not.
        in.Skip(extended ? extra : (extra >= 2 ? extra - 2 : 0));
        dialog.controls.push_back(control);
    }
    dialog.valid = in.Ok() && dialog.controls.size() == count;
    return dialog;
}

DialogTemplate LoadDialog(int id, LANGID language) {
    ResourceBytes bytes = FindResourceBytes(RT_DIALOG, id, language);
    return bytes.data ? ParseDialog(bytes.data, bytes.size) : DialogTemplate();
}

// ---------------------------------------------------------------------------------------
// What the templates must hold

constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;
constexpr DWORD kText = kShown | SS_LEFT;
constexpr DWORD kButton = kShown | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDefaultButton = kShown | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD kHiddenButton = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kCheckBox = kShown | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kRadio = kShown | WS_TABSTOP | BS_AUTORADIOBUTTON;
constexpr DWORD kGroupBox = kShown | BS_GROUPBOX;
constexpr DWORD kReadOnlyEdit = kShown | WS_BORDER | ES_LEFT | ES_READONLY;
constexpr DWORD kProgressBar = kShown | WS_BORDER | PBS_SMOOTH;

constexpr DWORD kPageStyle =
    DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;

struct ExpectedControl {
    int id;
    const char* className;
    const char* text;
    DWORD style;
    short x, y, cx, cy;
};

struct ExpectedDialog {
    const char* name;
    int id;
    LANGID language;
    const char* caption;
    const char* fontName;
    WORD pointSize;
    DWORD style;
    short cx, cy;
    std::vector<ExpectedControl> controls;
};

// Names the dialog in failure messages instead of dumping its bytes.
void PrintTo(const ExpectedDialog& dialog, std::ostream* out) {
    *out << dialog.name << " (" << dialog.id << ")";
}

const std::vector<ExpectedDialog>& ExpectedDialogs() {
    static const std::vector<ExpectedDialog> dialogs = {
        {"Welcome",
         IDD_WELCOME,
         kEnglishUs,
         "Welcome to Quenlo 1.0",
         "Tahoma",
         8,
         kPageStyle,
         323,
         188,
         {
             {1017, "button", "Next", kDefaultButton, 257, 170, 59, 14},
             {1018, "button", "Cancel", kButton, 120, 170, 59, 14},
             {5, "button", "Last", kHiddenButton | WS_DISABLED, 188, 170, 59, 14},
             {1001, "static",
              "Welcome to abc-Setup. This software installs the software \"xyz\" with all "
              "necessary files.",
              kText, 135, 21, 181, 114},
             {1000, "static", "CUSTOM TEXT HERE! (IDC_CUSTOM)", kText, 135, 65, 181, 75},
         }},
        {"Sections",
         IDD_SECTIONS,
         kEnglishUs,
         "Welcome to Quenlo 1.0",
         "Tahoma",
         8,
         kPageStyle,
         323,
         188,
         {
             {1017, "button", "Next", kDefaultButton, 257, 170, 59, 14},
             {1018, "button", "Cancel", kButton, 120, 170, 59, 14},
             {5, "button", "Last", kHiddenButton, 188, 170, 59, 14},
             {1003, "static",
              "Choose the sections you wish to install. Some sections must be installed.", kText,
              10, 5, 305, 20},
             {1009, "syslistview32", "List3",
              kShown | LVS_REPORT | LVS_NOSORTHEADER | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP,
              10, 25, 305, 70},
             {1019, "static", "Comment:", kText, 20, 105, 140, 10},
             {-1, "button", "", kGroupBox, 10, 95, 305, 65},
             {1011, "edit", "",
              kReadOnlyEdit | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL, 20, 115,
              140, 35},
             {-1, "static", "More information:", kText, 175, 105, 130, 10},
             {1024, "static", "Section must be installed", kText, 175, 115, 135, 10},
             {1025, "button", "Install section", kCheckBox, 175, 115, 135, 10},
         }},
        {"Destination",
         IDD_DEST,
         kEnglishUs,
         "Welcome to Quenlo 1.0",
         "Tahoma",
         8,
         kPageStyle,
         323,
         188,
         {
             {1017, "button", "Next", kDefaultButton, 257, 170, 59, 14},
             {1018, "button", "Cancel", kButton, 120, 170, 59, 14},
             {5, "button", "Last", kHiddenButton, 188, 170, 59, 14},
             {-1, "button", "", kGroupBox, 5, 45, 310, 85},
             {-1, "static",
              "Please choose the path this software will be installed.\n"
              "Some files may be installed not in this directory but in a windows directory\n"
              "Automatic seeks for a good location on all harddrives",
              kText, 10, 5, 300, 40},
             {1010, "static", "Installpath:", kText, 15, 60, 140, 15},
             {1011, "edit", "", kShown | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 15, 75, 150, 15},
             {1012, "button", "Choose", kButton, 175, 75, 60, 15},
             {-1, "static", "Free disk space:", kText, 20, 100, 65, 15},
             {1013, "edit", "", kReadOnlyEdit | ES_AUTOHSCROLL, 90, 100, 75, 15},
             {1014, "button", "Automatic", kButton, 240, 75, 60, 15},
             {1029, "button", "Ask if non-existing directory should be created", kCheckBox, 5, 135,
              310, 20},
         }},
        {"Copy",
         IDD_COPY,
         kEnglishUs,
         "",
         "Tahoma",
         8,
         DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_VISIBLE,
         187,
         107,
         {
             {1018, "button", "Cancel", kButton, 65, 85, 50, 14},
             {-1, "static", "Copying files...", kText, 5, 5, 175, 15},
             {1026, "static", "Section:", kText, 5, 20, 35, 10},
             {1033, "static", "Static", kText, 45, 20, 135, 10},
             {1028, "msctls_progress32", "Progress1", kProgressBar, 5, 30, 175, 15},
             {-1, "static", "File:", kText, 5, 50, 35, 10},
             {1034, "static", "Static", kText, 45, 50, 135, 10},
             {1027, "msctls_progress32", "Progress1", kProgressBar, 5, 60, 175, 15},
         }},
        {"ProgramGroup",
         IDD_PROGRAMGROUP,
         kEnglishUs,
         "Program group",
         "Tahoma",
         8,
         kPageStyle,
         323,
         188,
         {
             {1030, "button",
              "Create new group (if nothing is entered, all icons will be placed directly in "
              "programs folder)",
              kRadio | WS_GROUP, 10, 20, 305, 20},
             {1031, "button", "Use existing group", kRadio | BS_VCENTER, 10, 60, 305, 15},
             {1032, "button", "Create no group/icons", kRadio, 10, 115, 305, 15},
             {1017, "button", "Next", kDefaultButton | WS_GROUP, 257, 170, 59, 14},
             {1018, "button", "Cancel", kButton, 120, 170, 59, 14},
             {5, "button", "Last", kHiddenButton, 188, 170, 59, 14},
             {1003, "static", "Choose the program group:", kText, 10, 5, 305, 20},
             {1011, "edit", "", kShown | WS_BORDER | ES_AUTOHSCROLL, 35, 41, 280, 15},
             {1013, "edit", "", kReadOnlyEdit, 35, 75, 280, 15},
             {1014, "button", "Browse", kButton, 35, 95, 60, 15},
             {-1, "static",
              "It is recommended that you don\xB4t change the default. This is the most "
              "convenient methode.",
              kText, 10, 145, 310, 20},
         }},
        {"LanguageQuestion",
         IDD_LANGUAGE_QUESTION,
         kEnglishUs,
         "Different languages/codepages",
         "MS Sans Serif",
         8,
         DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU,
         187,
         170,
         {
             {1041, "button", "Yes", kDefaultButton, 130, 149, 50, 14},
             {1042, "button", "No", kButton, 77, 149, 50, 14},
             {1012, "button", "Install all", kButton, 24, 149, 50, 14},
             {-1, "static",
              "The already existing file has another language than the file that is currently "
              "installed. Do you want to install the file though?",
              kText, 5, 5, 175, 25},
             {-1, "static", "Destination file:", kText, 5, 40, 60, 15},
             {1035, "edit", "", kReadOnlyEdit, 75, 40, 105, 11},
             {-1, "static", "Destination language:", kText, 5, 55, 65, 15},
             {1036, "edit", "", kReadOnlyEdit, 75, 55, 105, 11},
             {-1, "static", "Destination codepage:", kText, 5, 70, 65, 20},
             {1039, "edit", "", kReadOnlyEdit, 75, 70, 105, 11},
             {-1, "static", "Source file:", kText, 5, 95, 65, 15},
             {1037, "edit", "", kReadOnlyEdit, 75, 95, 105, 11},
             {-1, "static", "Source language:", kText, 5, 110, 65, 15},
             {1038, "edit", "", kReadOnlyEdit, 75, 110, 105, 11},
             {-1, "static", "Source codepage:", kText, 5, 125, 65, 10},
             {1040, "edit", "", kReadOnlyEdit, 75, 125, 105, 11},
         }},
        {"OverwriteQuestion",
         IDD_OVERWRITE_QUESTION,
         kGerman,
         "Overwrite file",
         "MS Sans Serif",
         8,
         DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION,
         221,
         73,
         {
             {1034, "edit", "", kReadOnlyEdit, 7, 7, 207, 13},
             {-1, "static",
              "Do you want to overwrite this file? You can also choose to overwrite any program "
              "file in the application directory.",
              kText, 7, 25, 207, 24},
             {1012, "button", "Yes", kDefaultButton, 7, 52, 63, 14},
             {1043, "button", "No", kButton, 76, 52, 61, 14},
             {1044, "button", "Overwrite every file", kButton, 144, 52, 70, 14},
         }},
    };
    return dialogs;
}

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id) {
    for (const ControlTemplate& control : dialog.controls) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------
// Tests

TEST(SetupResources, ExecutableLoadsAsDataFile) {
    ASSERT_NE(SetupExe(), nullptr) << SetupExePath() << ", error " << GetLastError();
}

class DialogTemplateTest : public testing::TestWithParam<ExpectedDialog> {};

TEST_P(DialogTemplateTest, CarriesItsLanguageOnly) {
    const ExpectedDialog& want = GetParam();
    ASSERT_NE(SetupExe(), nullptr);
    EXPECT_EQ(LanguagesOf(RT_DIALOG, want.id), std::set<LANGID>{want.language});
    EXPECT_NE(FindResourceExA(SetupExe(), RT_DIALOG, MAKEINTRESOURCEA(want.id), want.language),
              nullptr);
}

TEST_P(DialogTemplateTest, MatchesTheLayout) {
    const ExpectedDialog& want = GetParam();
    ASSERT_NE(SetupExe(), nullptr);
    DialogTemplate got = LoadDialog(want.id, want.language);
    ASSERT_TRUE(got.valid) << "dialog " << want.id << " missing or malformed";

    EXPECT_EQ(ToCp1252(got.caption), want.caption);
    EXPECT_EQ(ToCp1252(got.fontName), want.fontName);
    EXPECT_EQ(got.pointSize, want.pointSize);
    EXPECT_EQ(got.style, want.style) << std::hex << "got 0x" << got.style;
    EXPECT_EQ(got.cx, want.cx);
    EXPECT_EQ(got.cy, want.cy);

    // Template order is tab order, so the controls are compared in sequence.
    ASSERT_EQ(got.controls.size(), want.controls.size());
    for (size_t i = 0; i < want.controls.size(); ++i) {
        const ControlTemplate& control = got.controls[i];
        const ExpectedControl& expected = want.controls[i];
        SCOPED_TRACE("control #" + std::to_string(i) + " (id " + std::to_string(expected.id) + ")");
        EXPECT_EQ(control.id, expected.id);
        EXPECT_EQ(control.className, expected.className);
        EXPECT_EQ(ToCp1252(control.text), expected.text);
        EXPECT_EQ(control.style, expected.style) << std::hex << "got 0x" << control.style;
        EXPECT_EQ(control.x, expected.x);
        EXPECT_EQ(control.y, expected.y);
        EXPECT_EQ(control.cx, expected.cx);
        EXPECT_EQ(control.cy, expected.cy);
    }
}

INSTANTIATE_TEST_SUITE_P(SetupResources, DialogTemplateTest, testing::ValuesIn(ExpectedDialogs()),
                         [](const testing::TestParamInfo<ExpectedDialog>& info) {
                             return std::string(info.param.name);
                         });

TEST(SetupResources, LastButtonIsNeverShownOnAPage) {
    for (int id : {IDD_WELCOME, IDD_SECTIONS, IDD_DEST, IDD_PROGRAMGROUP}) {
        DialogTemplate page = LoadDialog(id, kEnglishUs);
        const ControlTemplate* last = FindControl(page, IDC_LAST);
        ASSERT_NE(last, nullptr) << "page " << id;
        EXPECT_EQ(last->style & WS_VISIBLE, 0u) << "page " << id;
        const ControlTemplate* next = FindControl(page, IDC_NEXT);
        ASSERT_NE(next, nullptr) << "page " << id;
        EXPECT_EQ(next->style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON)) << "page " << id;
    }
    const ControlTemplate* welcomeLast = FindControl(LoadDialog(IDD_WELCOME, kEnglishUs), IDC_LAST);
    ASSERT_NE(welcomeLast, nullptr);
    EXPECT_NE(welcomeLast->style & WS_DISABLED, 0u);
}

TEST(SetupResources, SectionsListHighlightsSeveralRowsAtOnce) {
    DialogTemplate page = LoadDialog(IDD_SECTIONS, kEnglishUs);
    const ControlTemplate* list = FindControl(page, IDC_SECTIONS_LIST);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->style & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
    EXPECT_EQ(list->style & LVS_SINGLESEL, 0u);
    EXPECT_NE(list->style & LVS_SHOWSELALWAYS, 0u);
}

// The source file stays ASCII; the acute accent arrives through a code page 1252 escape.
TEST(SetupResources, ProgramGroupNoteHoldsTheAcuteAccentAsUnicode) {
    DialogTemplate page = LoadDialog(IDD_PROGRAMGROUP, kEnglishUs);
    ASSERT_TRUE(page.valid);
    const ControlTemplate& note = page.controls.back();
    EXPECT_NE(note.text.find(L"don\u00B4t change"), std::wstring::npos);
}

TEST(SetupResources, WelcomeBitmapIs100By200With24BitsPerPixel) {
    ASSERT_NE(SetupExe(), nullptr);
    EXPECT_EQ(LanguagesOf(RT_BITMAP, IDB_WELCOME), std::set<LANGID>{kEnglishUs});

    ResourceBytes bytes = FindResourceBytes(RT_BITMAP, IDB_WELCOME, kEnglishUs);
    ASSERT_GE(bytes.size, sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes.data, sizeof header);
    EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(header.biWidth, 100);
    EXPECT_EQ(header.biHeight, 200);
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_GE(bytes.size, sizeof(BITMAPINFOHEADER) + 60000u);

    // The welcome page loads it by id as a device-dependent bitmap.
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(SetupExe(), MAKEINTRESOURCEA(IDB_WELCOME), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info;
    ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 100);
    EXPECT_EQ(info.bmHeight, 200);
    DeleteObject(bitmap);
}

TEST(SetupResources, ManifestAsksForAdministratorAndCommonControls6) {
    ASSERT_NE(SetupExe(), nullptr);
    EXPECT_EQ(LanguagesOf(RT_MANIFEST, kProcessManifestId), std::set<LANGID>{kEnglishUs});
    ResourceBytes bytes = FindResourceBytes(RT_MANIFEST, kProcessManifestId, kEnglishUs);
    ASSERT_NE(bytes.data, nullptr);
    std::string manifest(reinterpret_cast<const char*>(bytes.data), bytes.size);

    for (const char* part : {
             "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>",
             "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>", // Vista
             "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>", // 7
             "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>", // 8
             "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>", // 8.1
             "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>", // 10 and 11
         }) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }

    // The version belongs to the common controls' own identity element.
    size_t name = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_NE(name, std::string::npos);
    size_t begin = manifest.rfind('<', name);
    size_t end = manifest.find('>', name);
    ASSERT_NE(begin, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    std::string identity = manifest.substr(begin, end - begin);
    EXPECT_EQ(identity.rfind("<assemblyIdentity", 0), 0u) << identity;
    EXPECT_NE(identity.find("version=\"6.0.0.0\""), std::string::npos) << identity;
    EXPECT_NE(identity.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos) << identity;
}

} // namespace
