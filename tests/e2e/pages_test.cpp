// Start-up, the page frame and the page-level rules, each a script and the steps a user
// takes through it; and hostile or damaged scripts, which the wizard runs as far as they
// ask without crashing or hanging.
#include "e2e_test.h"

#include <commctrl.h>

#include <random>

namespace e2e {
namespace {

const std::string kSyntax = "Syntax error in 'SetupScript.INI': Function is not defined "
                            "(possibly wrong parameter count?)\nSetup cannot be continued.";
const std::string kAfter = R"(ShowMessage("after", "Next statement", "", "NOW");)";
const std::string kAgree =
    R"(AddWindow("DIALOG_WELCOME", "agree", "CHECKBOX_BTNSTYLE", "I agree", "0", "20", "250", "200", "270");)";

TEST_P(PageTest, Run) {
    if (GetParam().prepare)
        GetParam().prepare(SetupDir());
    EXPECT_EQ(Run(GetParam().script, GetParam().steps), "");
}

Step Texts(std::string title, std::string upper, std::string lower) {
    return Expect(
        "title \"" + title + "\", texts \"" + upper + "\" over \"" + lower + "\"", [=](HWND page) {
            return TextOf(page) == title && TextOf(GetDlgItem(page, IDC_WELCOME_TEXT)) == upper &&
                   TextOf(GetDlgItem(page, IDC_WELCOME_TEXT2)) == lower;
        });
}

Step ListKey(UINT key) {
    return Key(key, IDC_SECTIONS_LIST);
}

// The welcome picture sits at pixel (40, 30) of the page: the screen shows its corners there.
Step PictureAt40And30() {
    return Expect("the picture at (40, 30)", [](HWND page) {
        HMODULE exe = LoadLibraryExA(SetupExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        HANDLE bitmap = LoadImageA(exe, MAKEINTRESOURCEA(IDB_WELCOME), IMAGE_BITMAP, 0, 0, 0);
        HDC picture = CreateCompatibleDC(nullptr);
        HDC screen = GetDC(nullptr);
        SelectObject(picture, bitmap);
        bool same = true;
        for (POINT at : {POINT{0, 0}, POINT{99, 199}}) {
            POINT shown{40 + at.x, 30 + at.y};
            ClientToScreen(page, &shown);
            same = same && GetPixel(picture, at.x, at.y) == GetPixel(screen, shown.x, shown.y);
        }
        ReleaseDC(nullptr, screen);
        DeleteDC(picture);
        DeleteObject(bitmap);
        FreeLibrary(exe);
        return same;
    });
}

void SparseFile(const std::string& path, LONGLONG size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = size;
    SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}

const std::string kReached = R"(ShowMessage("end", "Reached", "", "NOW");)";

// V1 refers to V2 and so on; the values open references that only the shown text closes.
// Each link followed takes one closing bracket: without a bound all of them would go; the
// expansion stops part of the way, with brackets left.
std::string Chain(int depth, size_t closing) {
    std::string script;
    for (int i = 1; i < depth; ++i)
        script +=
            "SetVariable(\"V" + std::to_string(i) + "\", \"[V" + std::to_string(i + 1) + "\");\r\n";
    return script + "SetVariable(\"V" + std::to_string(depth) + "\", \"end of chain\");\r\n" +
           "ShowMessage(\"[V1]" + std::string(closing, ']') + "\", \"Chain\", \"\", \"NOW\");\r\n";
}

std::string TenMegabytes() {
    const std::string big(10u << 20, 'x');
    return Script({"SetVariable(\"BIG\", \"" + big + "\");",
                   R"(SetVariable("FOUR", "[BIG][BIG][BIG][BIG]");)", R"(SetCaption("[BIG]");)",
                   R"(ShowMessage("[BIG]", "[BIG]", "[BIG]", "COMMAND");)", kReached});
}

std::string HundredThousandStatements() {
    std::string script;
    for (int i = 0; i < 100000; ++i)
        script += "SetVariable(\"V" + std::to_string(i) + "\", \"" + std::to_string(i) + "\");\r\n";
    return script + R"(ShowMessage("[V0]-[V99999]", "Reached", "", "NOW");)";
}

std::string RandomBytes() {
    std::mt19937 random(20240611u);
    std::string bytes(256 * 1024, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random() & 0xFF);
        if (byte == '\x1A') // Ctrl-Z may end the text where it stands
            byte = '\x1B';
    }
    return R"(ShowMessage("start", "Garbage", "", "NOW");)"
           "\r\n" +
           bytes;
}

// The script is made when the row runs.
std::function<void(const std::string&)> Writes(std::string (*script)()) {
    return [script](const std::string& dir) { WriteBytes(dir + "\\SetupScript.ini", script()); };
}

const PageCase kCases[] = {
    {"MissingScriptEndsWithOne",
     "",
     {ExpectBox("Fatal error", "Could not open 'SetupScript.INI' in setup directory. Setup "
                               "cannot be continued."),
      ExpectExit(1)}},
    {"SyntaxErrorEndsWithTwoAfterTheStatementsBeforeIt",
     Script({R"(ShowMessage("before", "First", "", "NOW");)", "SetAppName();", kAfter}),
     {ExpectBox("First", "before"), ExpectBox("Fatal error", kSyntax), ExpectExit(2)}},
    {"SetupPathIsTheCurrentDirectory",
     Script({R"(ShowMessage("[SP]|[SETUPFILE]", "Where", "", "NOW");)"}),
     {ExpectBoxThat("Where",
                    [](const std::string& text) {
                        return text == SetupDir() + "|" + SetupDir() + "\\SetupScript.ini";
                    }),
      ExpectExit(0)}},
    {"WelcomeTextsAreExpandedWhenTheCommandRuns",
     Script({R"(SetAppName("Demo");)",
             R"(SetWelcomeString("Installs [APPNAME].", "[APPNAME] Setup");)",
             R"(SetWelcomeString2("By [DEVELOPERNAME].");)", R"(SetDeveloperName("Someone");)",
             "ShowWelcome();", R"(SetWelcomeString("Two", "Second");)", "ShowWelcome();"}),
     {Page(IDC_NEXT), Texts("Demo Setup", "Installs Demo.", "By ."), PictureAt40And30(),
      Click(IDC_NEXT), Page(IDC_NEXT), Texts("Second", "Two", "By ."), Click(IDC_NEXT),
      ExpectExit(0)}},
    // Esc, the close box and the close messages leave the page open. Cancel asks; No keeps the
    // page, Yes stops the run: a statement after it would end the run with the syntax error's
    // code.
    {"EscAndCloseLeaveThePageOpenCancelAsksAndYesStopsTheRun",
     Script({"ShowWelcome();", kAfter, "ShowWelcome();", kAfter, "SetAppName();"}),
     {Page(IDC_NEXT), Key(VK_ESCAPE),
      Do("close box, close and IDCANCEL",
         [](HWND page) {
             PostMessageA(page, WM_SYSCOMMAND, SC_CLOSE, 0);
             PostMessageA(page, WM_CLOSE, 0, 0);
             PostMessageA(page, WM_COMMAND, IDCANCEL, 0);
         }),
      Click(IDC_NEXT), ExpectBox("Next statement", "after"), Page(IDC_NEXT), Click(IDC_CANCEL_PAGE),
      ExpectBox(kQuit, kQuitText, IDNO), Click(IDC_CANCEL_PAGE), ExpectBox(kQuit, kQuitText, IDYES),
      ExpectExit(0)}},
    {"TheLastNextRuleOfThePageWins",
     Script({kAgree, R"(SetVariable("MODE", "full");)",
             R"(SetNextDynamicState("DIALOG_WELCOME", "VARIABLE", "MODE", "full", "");)",
             R"(SetNextDynamicState("DIALOG_WELCOME", "CONTROL", "agree", "VALUE", "1");)",
             R"(SetNextDynamicState("DIALOG_DEST", "VARIABLE", "NEVERSET", "x", "");)",
             "ShowWelcome();"}),
     {Page(IDC_NEXT),
      Expect("the check box drawn as a button",
             [](HWND page) {
                 return GetWindowLongA(ChildWithText(page, "I agree"), GWL_STYLE) & BS_PUSHLIKE;
             }),
      NextOn(false), ClickText("I agree"), NextOn(true), ClickText("I agree"), NextOn(false),
      ClickText("I agree"), NextOn(true), Click(IDC_NEXT), ExpectExit(0)}},
    // The boxes block what is under them, so that no second question or Next can come.
    {"ButtonsShowTheirBoxesAndEditsNone",
     Script(
         {R"(SetVariable("WHO", "first");)",
          R"(AddWindow("DIALOG_WELCOME", "info", "BUTTON", "Info", "0", "20", "250", "120", "275");)",
          R"(ShowMessage("Hello [WHO]", "Info box", "info", "COMMAND");)",
          R"(SetVariable("WHO", "second");)",
          R"(AddWindow("DIALOG_WELCOME", "name", "EDIT", "start", "0", "20", "280", "200", "300");)",
          R"(ShowMessage("Edited", "Edit box", "name", "COMMAND");)", "ShowWelcome();", kAfter}),
     {Page(IDC_NEXT), ClickText("Info"),
      Expect("the page disabled under the box", [](HWND page) { return !IsWindowEnabled(page); }),
      ExpectBox("Info box", "Hello first"),
      Do("focus and change the edit",
         [](HWND page) {
             HWND edit = ChildWithText(page, "start");
             PostMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
             SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed"),
                                 SMTO_ABORTIFHUNG, 5000, nullptr);
             PostMessageA(page, WM_NEXTDLGCTL, 0, FALSE);
         }),
      Click(IDC_NEXT),
      Expect("the background disabled under the box",
             [](HWND) {
                 return !IsWindowEnabled(FindWindowA("SETUPMAINCLASS_HALLO_WIE_GEHTS", nullptr));
             }),
      ExpectBox("Next statement", "after"), ExpectExit(0)}},
    // Keys typed ahead reach Next before the page-state check runs: Next checks the rule itself.
    {"DestinationOfFewerThanThreeCharactersDisablesNext",
     Script({R"(SetAppName("Demo");)", R"(SetVariable("MODE", "on");)",
             R"(SetNextDynamicState("DIALOG_DEST", "VARIABLE", "MODE", "on", "");)", "ShowDest();",
             R"(ShowMessage("[DP]", "DP is", "", "NOW");)"}),
     {Page(IDC_DEST_PATH), NextOn(true),
      Burst("select all, type two characters and Enter",
            [](HWND page) {
                HWND field = GetDlgItem(page, IDC_DEST_PATH);
                PostMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
                PostMessageA(field, EM_SETSEL, 0, -1);
                PostMessageA(field, WM_CHAR, 'a', 1);
                PostMessageA(field, WM_CHAR, 'b', 1);
                PressKey(page, VK_RETURN, IDC_DEST_PATH);
            }),
      NextOn(false), Type(IDC_DEST_PATH, "C:\\"), NextOn(true), Click(IDC_NEXT),
      ExpectBox("DP is", "C:\\"), ExpectExit(0)}},
    // A click and Space on the mandatory row change nothing; the same input on the optional
    // row right after them changes it, which shows that they were delivered. A row is
    // highlighted exactly when its section will be installed, also on its second showing.
    {"MandatoryRowsAreNeverClearedAndRowsAreChosenTogether",
     Script({R"(CreateSection("Main", "1", "0", "Main files");)",
             R"(CreateSection("Docs", "0", "0", "Documentation");)",
             R"(CreateSection("Extra", "2", "0", "e");)",
             AddFile("c.txt", "c.txt", R"("Docs", "0", "1", "0", "0", "0", "0", "")"),
             AddFile("a.bin", "a.bin"), AddFile("b.bin", "b.bin"), "ShowSections();",
             "ShowSections();"}),
     {Page(IDC_SECTIONS_LIST), Rows("101"), Size(0, "350"), Size(1, "7"), ClickListRow(0),
      ClickListRow(1), Rows("111"), ListKey(VK_SPACE), Rows("101"), ListKey(VK_UP),
      ListKey(VK_SPACE), ListKey(VK_DOWN), ListKey(VK_SPACE), Rows("111"), Click(IDC_NEXT),
      Page(IDC_SECTIONS_LIST), Rows("111"), Click(IDC_NEXT), ExpectExit(0)},
     [](const std::string& dir) {
         WriteBytes(dir + "\\a.bin", std::string(100, 'a'));
         WriteBytes(dir + "\\b.bin", std::string(250, 'b'));
         WriteBytes(dir + "\\c.txt", "docs!\r\n");
     }},
    {"SectionSizesAreSummedBeyondFourGibibytes",
     Script({AddFile("big1.bin", "big1.bin"), AddFile("big2.bin", "big2.bin"),
             R"(CreateSection("Main", "0", "0", "Large");)", "ShowSections();"}),
     {Page(IDC_SECTIONS_LIST), Size(0, "6442450944"), Click(IDC_NEXT), ExpectExit(0)},
     [](const std::string& dir) {
         SparseFile(dir + "\\big1.bin", 3LL << 30);
         SparseFile(dir + "\\big2.bin", 3LL << 30);
     }},
    {"TenMegabyteArgument", "", {ExpectBox("Reached", "end"), ExpectExit(0)}, Writes(TenMegabytes)},
    {"HundredThousandStatements",
     "",
     {ExpectBox("Reached", "0-99999"), ExpectExit(0)},
     Writes(HundredThousandStatements)},
    {"RandomBytes", "", {ExpectBox("Garbage", "start"), ExpectExit(0)}, Writes(RandomBytes)},
    {"ReferenceChainBeyondTheBound",
     "",
     {ExpectBoxThat(
          "Chain",
          [](const std::string& text) { return text.rfind("[V", 0) == 0 && text.back() == ']'; }),
      ExpectBox("Reached", "end"), ExpectExit(0)},
     Writes([] { return Chain(100000, 20000) + kReached + "\r\n"; })},
};

INSTANTIATE_TEST_SUITE_P(Steps, PageTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A destination typed as "...\t[DP]" refers to itself: "[DP]\f.txt" grows with every round
// of expansion far beyond what the platform takes. The file is refused with a message that
// a person can read: the path cut in the middle, its beginning and end kept.
TEST_F(E2eTest, FileIntoASelfReferringTypedDirectoryIsRefusedReadably) {
    const std::string typed = SetupDir() + "\\t[DP]";
    Put("f.txt", "file");
    const auto readable = [&](const std::string& text) {
        const std::string tail = "\\f.txt is too long, setup cannot install the file.";
        return text.size() < 2000 && text.rfind("The path " + SetupDir(), 0) == 0 &&
               text.size() > tail.size() && text.substr(text.size() - tail.size()) == tail;
    };
    EXPECT_EQ(
        Run(Script({"SetAppName(\"" + app + "\");", R"(CreateSection("Main", "1", "0", "m");)",
                    AddFile("f.txt", "f.txt"), "ShowDest();", "ShowCopy();",
                    R"(ShowMessage("not reached", "After copy", "", "NOW");)"}),
            {Page(IDC_DEST_PATH), Type(IDC_DEST_PATH, typed), NextOn(true), Click(IDC_NEXT),
             ExpectBoxThat("f.txt", readable), ExpectExit(0)}),
        "");
    // Nothing of the run is left, nor registered.
    EXPECT_FALSE(Exists(typed + "\\Uninstall.log"));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKey(app), "DisplayName"), "<no key>");
}

} // namespace
} // namespace e2e
