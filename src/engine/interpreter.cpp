#include "engine/interpreter.h"

#include <cstring>
#include <vector>

#include "engine/lenient_number.h"
#include "engine/model.h"
#include "engine/script_reader.h"
#include "engine/variables.h"
#include "engine/background_settings.h"

const char* const kSyntaxErrorText =
    "Syntax error in 'SetupScript.INI': Function is not defined (possibly wrong parameter "
    "count?)\nSetup cannot be continued.";
const char* const kFatalErrorCaption = "Fatal error";

namespace {

bool quitRequested = false;

using Arguments = std::vector<std::string>;

// What a command does once its arguments are checked and expanded. Returns the
// page result for page commands and 0 for all others.
using CommandEffect = int (*)(Arguments& args, CommandHost& host);

struct Command {
    const char* name;
    int argumentCount;
    unsigned expandedMask; // bit n set: argument n+1 has its references expanded
    CommandEffect effect;
};

void StoreDeferred(const char* name, const Arguments& args) {
    DeferredStatement statement;
    statement.name = name;
    statement.arguments = args;
    statement.count = static_cast<int32_t>(args.size());
    model.deferredStatements.push_back(statement);
}

int SetAppName(Arguments& a, CommandHost&) {
    variables.Assign("APPNAME", a[0]);
    variables.Assign("PROGRAMGROUP", a[0]);
    variables.Assign("DP", programFilesDir + a[0] + "\\");
    return 0;
}

int SetBackground(Arguments& a, CommandHost& host) {
    for (int i = 0; i < 3; ++i) {
        backgroundSettings.gradientStart[i] = LenientNumber(a[static_cast<std::size_t>(i)]);
        backgroundSettings.gradientEnd[i] = LenientNumber(a[static_cast<std::size_t>(i) + 3]);
    }
    host.RepaintBackground();
    return 0;
}

int SetRedrawWait(Arguments& a, CommandHost&) {
    backgroundSettings.redrawWait = LenientNumber(a[0]);
    return 0;
}

int SetDeveloperName(Arguments& a, CommandHost&) {
    variables.Assign("DEVELOPERNAME", a[0]);
    return 0;
}

int SetVariable(Arguments& a, CommandHost&) {
    variables.Assign(a[0], a[1]);
    return 0;
}

int SetWelcomeString(Arguments& a, CommandHost&) {
    variables.Assign("WELCOMESTRING_CAP", a[1]);
    variables.Assign("WELCOMESTRING", a[0]);
    return 0;
}

int SetWelcomeString2(Arguments& a, CommandHost&) {
    variables.Assign("WELCOMESTRING2", a[0]);
    return 0;
}

int SetCaption(Arguments& a, CommandHost&) {
    variables.Assign("CAPTION", a[0]);
    return 0;
}

int SetCaptionColor(Arguments& a, CommandHost&) {
    backgroundSettings.captionColor1 =
        MakeColor(LenientNumber(a[0]), LenientNumber(a[1]), LenientNumber(a[2]));
    backgroundSettings.captionColor2 =
        MakeColor(LenientNumber(a[3]), LenientNumber(a[4]), LenientNumber(a[5]));
    return 0;
}

int SetCaptionSize(Arguments& a, CommandHost&) {
    backgroundSettings.captionSize = LenientNumber(a[0]);
    return 0;
}

int SetCaptionPos(Arguments& a, CommandHost&) {
    backgroundSettings.captionPos1 = {LenientNumber(a[0]), LenientNumber(a[1])};
    backgroundSettings.captionPos2 = {LenientNumber(a[2]), LenientNumber(a[3])};
    return 0;
}

int CreateSection(Arguments& a, CommandHost&) {
    SectionRecord section;
    section.name = a[0];
    section.mandatory = LenientNumber(a[1]);
    section.reservedNumber = LenientNumber(a[2]);
    section.comment = a[3];
    section.selected = 0;
    model.sections.push_back(section);
    return 0;
}

int AddFile(Arguments& a, CommandHost&) {
    FileRecord file;
    file.source = a[0];
    file.destination = a[1];
    file.section = a[2];
    file.shared = LenientFlag(a[3]);
    file.disk = static_cast<int16_t>(LenientNumber(a[4]));
    file.splitPart = LenientFlag(a[5]);
    file.lastPart = LenientFlag(a[6]);
    file.reservedFlag = LenientFlag(a[7]);
    file.createShortcut = LenientFlag(a[8]);
    file.shortcutName = a[9];
    model.files.push_back(file);
    return 0;
}

int ShowMessage(Arguments& a, CommandHost& host) {
    if (a[3] == "NOW") {
        host.ShowImmediateMessage(a[0], a[1]);
    } else {
        StoreDeferred("ShowMessage", a);
    }
    return 0;
}

int AddWindow(Arguments& a, CommandHost&) {
    model.windows.push_back(WindowOfAddWindow(a));
    return 0;
}

int ShowWelcome(Arguments&, CommandHost& host) {
    return host.RunPage(kWelcomeTemplate);
}
int ShowDest(Arguments&, CommandHost& host) {
    return host.RunPage(kDestinationTemplate);
}
int ShowSections(Arguments&, CommandHost& host) {
    return host.RunPage(kSectionsTemplate);
}
int ShowCopy(Arguments&, CommandHost& host) {
    return host.RunPage(kCopyTemplate);
}
int ShowProgramGroup(Arguments&, CommandHost& host) {
    return host.RunPage(kProgramGroupTemplate);
}

int SetNextDynamicState(Arguments& a, CommandHost&) {
    StoreDeferred("SetNextDynamicState", a);
    return 0;
}

int CheckButton(Arguments& a, CommandHost&) {
    StoreDeferred("CheckButton", a);
    return 0;
}

constexpr unsigned Arg(int n) {
    return 1u << (n - 1);
}

const Command kCommands[] = {
    {"SetAppName", 1, Arg(1), SetAppName},
    {"SetBackground", 6, 0, SetBackground},
    {"SetRedrawWait", 1, 0, SetRedrawWait},
    {"SetDeveloperName", 1, Arg(1), SetDeveloperName},
    {"SetVariable", 2, Arg(1) | Arg(2), SetVariable},
    {"SetWelcomeString", 2, Arg(1) | Arg(2), SetWelcomeString},
    {"SetWelcomeString2", 1, Arg(1), SetWelcomeString2},
    {"SetCaption", 1, Arg(1), SetCaption},
    {"SetCaptionColor", 6, 0, SetCaptionColor},
    {"SetCaptionSize", 1, 0, SetCaptionSize},
    {"SetCaptionPos", 4, 0, SetCaptionPos},
    {"CreateSection", 4, 0, CreateSection},
    {"AddFile", 10, Arg(1), AddFile},
    {"ShowMessage", 4, Arg(1) | Arg(2), ShowMessage},
    {"AddWindow", 9, Arg(4), AddWindow},
    {"ShowWelcome", 0, 0, ShowWelcome},
    {"ShowDest", 0, 0, ShowDest},
    {"ShowSections", 0, 0, ShowSections},
    {"ShowCopy", 0, 0, ShowCopy},
    {"ShowProgramGroup", 0, 0, ShowProgramGroup},
    {"SetNextDynamicState", 5, 0, SetNextDynamicState},
    {"CheckButton", 1, 0, CheckButton},
};

bool IsPageCommand(const Command& command) {
    return command.effect == ShowWelcome || command.effect == ShowDest ||
           command.effect == ShowSections || command.effect == ShowCopy ||
           command.effect == ShowProgramGroup;
}

const Command* FindCommand(const std::string& name) {
    for (const Command& command : kCommands) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

} // namespace

int CommandArgumentCount(const std::string& name) {
    const Command* command = FindCommand(name);
    return command != nullptr ? command->argumentCount : -1;
}

int CommandTableSize() {
    return static_cast<int>(sizeof kCommands / sizeof kCommands[0]);
}

const char* CommandNameAt(int index) {
    return index >= 0 && index < CommandTableSize() ? kCommands[index].name : "";
}

unsigned CommandExpandedArguments(const std::string& name) {
    const Command* command = FindCommand(name);
    return command != nullptr ? command->expandedMask : 0;
}

WindowRecord WindowOfAddWindow(const std::vector<std::string>& arguments) {
    WindowRecord window;
    window.page = arguments[0];
    window.name = arguments[1];
    window.type = arguments[2];
    window.text = arguments[3];
    window.reservedNumber = LenientNumber(arguments[4]);
    window.left = LenientNumber(arguments[5]);
    window.top = LenientNumber(arguments[6]);
    window.right = LenientNumber(arguments[7]);
    window.bottom = LenientNumber(arguments[8]);
    return window;
}

void RequestQuit() {
    quitRequested = true;
}

bool QuitRequested() {
    return quitRequested;
}

void ResetQuitRequest() {
    quitRequested = false;
}

RunOutcome RunScript(CommandHost& host) {
    for (int index = 0; index < scriptReader.StatementCount(); ++index) {
        // A confirmed quit (the user said Yes to "Are you really sure to quit
        // setup?", or the installation was aborted) ends the run here, even when
        // the page that asked still ended with 0.
        if (QuitRequested()) {
            return RunOutcome::Stopped;
        }
        std::string name;
        Arguments args;
        int count = 0;
        if (scriptReader.GetStatement(index, name, args, count) != 0) {
            host.ShowSyntaxError();
            return RunOutcome::SyntaxError;
        }
        const Command* command = FindCommand(name);
        if (command == nullptr) {
            continue; // not a command: skipped silently
        }
        if (count != command->argumentCount) {
            host.ShowSyntaxError();
            return RunOutcome::SyntaxError;
        }
        for (int i = 0; i < count; ++i) {
            if ((command->expandedMask & (1u << i)) != 0) {
                variables.ExpandReferences(args[static_cast<std::size_t>(i)]);
            }
        }
        const int result = command->effect(args, host);
        if (IsPageCommand(*command) && result != 0) {
            RequestQuit();
            return RunOutcome::Stopped;
        }
    }
    return QuitRequested() ? RunOutcome::Stopped : RunOutcome::Finished;
}
