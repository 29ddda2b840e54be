#include "authoring/script_check.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "authoring/script_text_check.h"
#include "engine/interpreter.h"
#include "engine/lenient_number.h"
#include "engine/model.h"
#include "engine/page_rules.h"
#include "engine/variables.h"
#include "engine/path_text.h"

namespace fs = std::filesystem;

namespace {

const char* const kPageNames[] = {"DIALOG_WELCOME", "DIALOG_DEST", "DIALOG_SECTIONS",
                                  "DIALOG_PROGRAMGROUP", "DIALOG_COPY"};
// The statement that shows each page of kPageNames.
const char* const kPageStatements[] = {"ShowWelcome", "ShowDest", "ShowSections",
                                       "ShowProgramGroup", "ShowCopy"};
const char* const kControlTypes[] = {
    "CHECKBOX", "CHECKBOX_BTNSTYLE", "OPTION", "OPTION_BTNSTYLE", "LABEL", "EDIT"};
// The window classes a control type may name besides the six types: the
// system's, and those of the common controls version 6 that the wizard's
// manifest asks for.
constexpr std::string_view kSystemClasses =
    "Button ComboBox Edit ListBox MDIClient ScrollBar Static ComboBoxEx32 msctls_hotkey32 "
    "msctls_progress32 msctls_statusbar32 msctls_trackbar32 msctls_updown32 NativeFontCtrl "
    "ReBarWindow32 SysAnimate32 SysDateTimePick32 SysHeader32 SysIPAddress32 SysLink "
    "SysListView32 SysMonthCal32 SysPager SysTabControl32 SysTreeView32 ToolbarWindow32 "
    "tooltips_class32";
const char* const kBuiltInVariables[] = {"SP", "SETUPFILE", "WINPATH", "SYSPATH", "DP"};
constexpr int kBuiltIn = -1; // "set before statement 0"
// The variables a command sets, SetVariable's aside.
std::vector<const char*> VariablesSetBy(std::string_view command) {
    if (command == "SetAppName") {
        return {"APPNAME", "PROGRAMGROUP", "DP"};
    }
    if (command == "SetWelcomeString") {
        return {"WELCOMESTRING", "WELCOMESTRING_CAP"};
    }
    if (command == "SetWelcomeString2" || command == "SetCaption" ||
        command == "SetDeveloperName") {
        return {command == "SetCaption"         ? "CAPTION"
                : command == "SetDeveloperName" ? "DEVELOPERNAME"
                                                : "WELCOMESTRING2"};
    }
    return {};
}
// Longer source paths are not looked up (the wizard cannot open them anyway);
// the bound also keeps the folder-by-folder lookup shallow.
constexpr std::size_t kMaxLookedUpPath = 4096;

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

// Edits (insert, delete, replace, swap two neighbours) that turn a into b;
// for names of up to kMaxCompared bytes, as the callers compare them.
constexpr std::size_t kMaxCompared = 32;
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::size_t d[kMaxCompared + 1][kMaxCompared + 1];
    for (std::size_t i = 0; i <= a.size(); ++i) {
        for (std::size_t j = 0; j <= b.size(); ++j) {
            if (i == 0 || j == 0) {
                d[i][j] = i + j;
                continue;
            }
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

// The candidate that a name differing in case or by a letter or two most
// likely meant; empty when none is that close. A short name needs a closer
// match, so that "T" does not suggest "S".
std::string Closest(std::string_view name, const std::vector<std::string_view>& candidates) {
    std::string_view best;
    std::size_t bestDistance = std::min<std::size_t>(3, name.size());
    for (const std::string_view candidate : candidates) {
        if (EqualIgnoringCase(name, candidate)) {
            return std::string(candidate);
        }
        const std::size_t longer = std::max(name.size(), candidate.size());
        if (longer - std::min(name.size(), candidate.size()) >= bestDistance ||
            longer > kMaxCompared) {
            continue;
        }
        const std::size_t distance = EditDistance(name, candidate);
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return std::string(best);
}

std::string DidYouMean(std::string_view name, const std::vector<std::string_view>& candidates) {
    const std::string meant = Closest(name, candidates);
    return meant.empty() ? std::string() : "; did you mean '" + meant + "'?";
}

template <typename Map> std::vector<std::string_view> KeysOf(const Map& map) {
    std::vector<std::string_view> keys;
    for (const auto& entry : map) {
        keys.emplace_back(entry.first);
    }
    return keys;
}

// Calls visit(name, where its "[" stands) for each "[name]" of the text, up
// to the number of references that the wizard expands in one argument.
// Returns where a "[" without its "]" stands, else npos.
template <typename Visit> std::size_t ForEachReference(std::string_view text, Visit visit) {
    std::size_t from = 0;
    for (int n = 0; n < VariableStore::kMaxReplacements; ++n) {
        const std::size_t open = text.find('[', from);
        const std::size_t close = open == std::string_view::npos ? open : text.find(']', open + 1);
        if (close == std::string_view::npos) {
            return open;
        }
        visit(text.substr(open + 1, close - open - 1), open);
        from = close + 1;
    }
    return std::string_view::npos;
}

enum class SourceKind { Missing, File, Folder };

SourceKind KindOf(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error) ? SourceKind::File
           : fs::is_directory(path, error)  ? SourceKind::Folder
                                            : SourceKind::Missing;
}

// Finds files as the wizard's file system does, without regard to ASCII
// case, where the tool's file system tells case apart. Folder listings are
// read once, so that many missing sources in one folder cost no more.
class FileLookup {
  public:
    SourceKind Kind(const std::string& path) {
        if (path.size() > kMaxLookedUpPath) {
            return SourceKind::Missing;
        }
        const SourceKind kind = KindOf(path);
        if (kind != SourceKind::Missing) {
            return kind;
        }
        const fs::path wanted(path);
        const std::string* folder = Folder(wanted.parent_path());
        const std::string name =
            folder != nullptr ? Resolve(*folder, wanted.filename().string()) : std::string();
        return name.empty() ? SourceKind::Missing : KindOf(fs::path(*folder) / name);
    }

  private:
    // The real name of `name` in `folder`; empty when there is none.
    std::string Resolve(const std::string& folder, const std::string& name) {
        auto listing = listings_.find(folder);
        if (listing == listings_.end()) {
            listing =
                listings_.emplace(folder, std::unordered_map<std::string, std::string>()).first;
            std::error_code error;
            for (fs::directory_iterator entry(folder.empty() ? "." : folder, error), end;
                 !error && entry != end; entry.increment(error)) {
                const std::string real = entry->path().filename().string();
                listing->second.emplace(LowerAscii(real), real);
            }
        }
        const auto found = listing->second.find(LowerAscii(name));
        return found != listing->second.end() ? found->second : std::string();
    }

    // The real path of a folder; null when it does not exist.
    const std::string* Folder(const fs::path& folder) {
        const std::string asked = folder.string();
        const auto known = folders_.find(asked);
        if (known != folders_.end()) {
            return known->second ? &*known->second : nullptr;
        }
        std::optional<std::string> real;
        std::error_code error;
        if (folder.empty() || folder == folder.root_path() || fs::is_directory(folder, error)) {
            real = asked;
        } else if (const std::string* parent = Folder(folder.parent_path())) {
            const std::string name = Resolve(*parent, folder.filename().string());
            if (!name.empty()) {
                real = (fs::path(*parent) / name).string();
            }
        }
        const auto& stored = folders_.emplace(asked, real).first->second;
        return stored ? &*stored : nullptr;
    }

    std::unordered_map<std::string, std::optional<std::string>> folders_;
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>> listings_;
};

class Checker {
  public:
    Checker(const ScriptReader& reader, const CheckOptions& options, DiagnosticReporter& reporter,
            const TextFindings& findings)
        : reader_(reader), options_(options), reporter_(reporter), findings_(findings),
          text_(reader.ScannedText()) {}

    void Run();

  private:
    std::string_view Arg(int index, int argument) const {
        return reader_.Argument(index, argument);
    }
    bool Skipped(int index) const {
        return findings_.explained[static_cast<std::size_t>(index)] != 0 ||
               reader_.StatementOffset(index) >= findings_.uncheckedFrom;
    }
    void Report(std::size_t offset, Severity severity, const char* flag, std::string message,
                const DiagnosticReporter::Related& notes = {}) {
        reporter_.Report(offset, severity, flag, std::move(message), notes);
    }
    void ReportAt(int index, int argument, Severity severity, const char* flag, std::string message,
                  const DiagnosticReporter::Related& notes = {}) {
        Report(reader_.ArgumentOffset(index, argument), severity, flag, std::move(message), notes);
    }
    std::size_t OffsetIn(int index, int argument, std::size_t at) const;
    bool IsRunnable(int index) const {
        const int count = CommandArgumentCount(std::string(reader_.StatementName(index)));
        return count >= 0 && count == reader_.ArgumentCount(index);
    }
    bool IsSetBefore(std::string_view name, int index) const {
        const auto found = firstSet_.find(std::string(name));
        return found != firstSet_.end() && found->second < index;
    }
    void MarkSet(const std::string& name, int index) { firstSet_.emplace(name, index); }
    std::string Expanded(int index, int argument) {
        std::string text(Arg(index, argument));
        variables_.ExpandReferences(text);
        return text;
    }

    void Collect();
    void CheckStatement(int index);
    void CheckReferences(int index);
    void ReportUnset(int index, int argument, std::size_t at, std::string_view name,
                     const char* what);
    void CheckFlags(int index, std::initializer_list<int> arguments);
    void CheckPage(int index, int argument);
    void CheckControl(int index, int argument, const std::string* page);
    void CheckControlType(int index);
    void CheckChoice(int index, int argument, const char* first, const char* second);
    void CheckAddFile(int index);
    void CheckDisk(int index);
    void CheckSplitPart(int index);
    void CheckSource(int index);
    void FollowQuietRun(int index, const std::string& name);
    void Finish();

    const ScriptReader& reader_;
    const CheckOptions& options_;
    DiagnosticReporter& reporter_;
    const TextFindings& findings_;
    std::string_view text_;
    VariableStore variables_;
    std::unordered_map<std::string, int> firstSet_;
    // Where each variable is set first anywhere in the script, and each
    // section created: for notes and for "did you mean".
    std::map<std::string, int, std::less<>> setAnywhere_;
    std::map<std::string, int, std::less<>> sectionsAnywhere_;
    std::unordered_set<std::string> warnedUnset_;
    // Destination references, first use of each name only: the wizard
    // expands destinations when the file is installed, at the next ShowCopy.
    struct Reference {
        int index;
        std::string name;
        std::size_t open; // where its "[" stands in the destination
    };
    std::vector<Reference> destinationReferences_;
    std::unordered_set<std::string> seenDestinationReferences_;
    std::vector<int> showCopies_;
    std::set<std::pair<std::string, std::string>> controls_; // page and name
    std::unordered_set<std::string> controlNames_;
    std::unordered_set<std::string> sections_;
    FileLookup files_;
    bool disksHinted_ = false;
    bool uninstallerAdded_ = false;
    // Split files still being joined, by destination: their first and
    // latest part.
    std::map<std::string, std::pair<int, int>> openSplitFiles_;
    // What a quiet run has at each statement, built as the interpreter builds
    // it. The machine's folders (SP, WINPATH, SYSPATH, DP) are unknown here and
    // read as empty. A wrong argument count ends the run.
    VariableStore quietVariables_;
    InstallationModel quietModel_;
    bool quietRunEnded_ = false;
};

void Checker::Run() {
    for (const char* name : kBuiltInVariables) {
        MarkSet(name, kBuiltIn);
        setAnywhere_.emplace(name, kBuiltIn);
    }
    variables_.Assign("SP", options_.setupDirectory);
    Collect();
    for (int index = 0; index < reader_.StatementCount(); ++index) {
        if (!Skipped(index)) {
            CheckStatement(index);
        } else if (!IsRunnable(index)) {
            // A syntax error explained by the text's checks ends a quiet run too.
            quietRunEnded_ |= CommandArgumentCount(std::string(reader_.StatementName(index))) >= 0;
        }
    }
    if (findings_.uncheckedFrom == static_cast<std::size_t>(-1)) {
        Finish();
    }
}

// Where byte `at` of an argument's value stands in the text: a doubled quote
// and a CR LF are one byte of the value.
std::size_t Checker::OffsetIn(int index, int argument, std::size_t at) const {
    std::size_t i = reader_.ArgumentOffset(index, argument) + 1;
    for (; at > 0 && i + 1 < text_.size(); --at) {
        const bool pair =
            (text_[i] == '"' && text_[i + 1] == '"') || (text_[i] == '\r' && text_[i + 1] == '\n');
        i += pair ? 2 : 1;
    }
    return i;
}

// What later statements are checked against: the copy pages, the controls,
// which a Next rule may name before the AddWindow that makes them, and where
// sections and variables are first made, for the notes of those used early.
void Checker::Collect() {
    for (int index = 0; index < reader_.StatementCount(); ++index) {
        if (!IsRunnable(index) || Skipped(index)) {
            continue;
        }
        const std::string_view name = reader_.StatementName(index);
        if (name == "ShowCopy") {
            showCopies_.push_back(index);
        } else if (name == "AddWindow") {
            controls_.emplace(Arg(index, 0), Arg(index, 1));
            controlNames_.emplace(Arg(index, 1));
        } else if (name == "CreateSection") {
            sectionsAnywhere_.emplace(Arg(index, 0), index);
        } else if (name == "SetVariable") {
            setAnywhere_.emplace(Arg(index, 0), index);
        }
        for (const char* variable : VariablesSetBy(name)) {
            setAnywhere_.emplace(variable, index);
        }
    }
}

void Checker::CheckStatement(int index) {
    const std::string name(reader_.StatementName(index));
    const int expected = CommandArgumentCount(name);
    const int count = reader_.ArgumentCount(index);
    const std::size_t at = reader_.StatementOffset(index);
    if (expected < 0) {
        static const std::vector<std::string_view> commands = [] {
            std::vector<std::string_view> names;
            for (int k = 0; k < CommandTableSize(); ++k) {
                names.emplace_back(CommandNameAt(k));
            }
            return names;
        }();
        Report(at, Severity::Warning, "unknown-command",
               "unknown command " + Quoted(name) + " is skipped" + DidYouMean(name, commands));
        return;
    }
    if (count != expected) {
        quietRunEnded_ = true;
        Report(at, Severity::Error, "",
               name + " takes " + std::to_string(expected) + " argument" +
                   (expected == 1 ? "" : "s") + ", not " + std::to_string(count) +
                   ": setup stops here with a syntax error");
        return;
    }
    CheckReferences(index);
    if (options_.quietReady && !quietRunEnded_) {
        FollowQuietRun(index, name);
    }
    if (name == "SetAppName") {
        variables_.Assign("APPNAME", Expanded(index, 0));
    }
    for (const char* variable : VariablesSetBy(name)) {
        MarkSet(variable, index);
    }
    if (name == "SetVariable") {
        const std::string variable = Expanded(index, 0);
        const std::string value = Expanded(index, 1);
        if (variable == "DP" && (value.empty() || value.back() != '\\')) {
            ReportAt(index, 1, Severity::Warning, "dp-backslash",
                     "DP is set without a trailing backslash; destinations such as "
                     "\"[DP]file\" then miss one");
        }
        variables_.Assign(variable, value);
        MarkSet(variable, index);
    } else if (name == "CreateSection") {
        CheckFlags(index, {1});
        sections_.emplace(Arg(index, 0));
    } else if (name == "AddFile") {
        CheckAddFile(index);
    } else if (name == "AddWindow") {
        CheckPage(index, 0);
        CheckControlType(index);
    } else if (name == "ShowMessage") {
        const std::string_view when = Arg(index, 3);
        if (when == "COMMAND") {
            CheckControl(index, 2, nullptr);
        } else if (when != "NOW") {
            ReportAt(index, 3, Severity::Warning, "show-message",
                     "ShowMessage with " + Quoted(when) +
                         " is stored and never shown; it takes NOW or COMMAND");
        }
    } else if (name == "SetNextDynamicState") {
        CheckPage(index, 0);
        CheckChoice(index, 1, "CONTROL", "VARIABLE");
        if (Arg(index, 1) == "CONTROL") {
            const std::string page(Arg(index, 0));
            CheckControl(index, 2, &page);
            CheckChoice(index, 3, "VALUE", "TEXT");
        }
    } else if (name == "CheckButton") {
        CheckControl(index, 0, nullptr);
    } else if (name == "ShowCopy" && !IsSetBefore("APPNAME", index)) {
        Report(at, Severity::Error, "",
               "ShowCopy without an application name: no SetAppName comes before it, so the "
               "uninstall entry has no name");
    }
}

void Checker::CheckReferences(int index) {
    const unsigned expanded = CommandExpandedArguments(std::string(reader_.StatementName(index)));
    for (int argument = 0; argument < reader_.ArgumentCount(index); ++argument) {
        if ((expanded & (1u << argument)) == 0) {
            continue;
        }
        const std::string_view text = Arg(index, argument);
        const std::size_t unclosed =
            ForEachReference(text, [&](std::string_view name, std::size_t open) {
                if (!IsSetBefore(name, index) && warnedUnset_.emplace(name).second) {
                    ReportUnset(index, argument, open, name,
                                " is used before anything sets it; it expands to nothing");
                }
            });
        if (unclosed != std::string_view::npos) {
            Report(OffsetIn(index, argument, unclosed), Severity::Warning, "reference",
                   "'[' without a closing ']': the wizard leaves " + Quoted(text.substr(unclosed)) +
                       " as it is");
        }
    }
}

// A variable read where nothing has set it: where it is set later, else the
// name that was likely meant.
void Checker::ReportUnset(int index, int argument, std::size_t at, std::string_view name,
                          const char* what) {
    const auto set = setAnywhere_.find(name);
    DiagnosticReporter::Related notes;
    if (set != setAnywhere_.end()) {
        notes.emplace_back(reader_.StatementOffset(set->second), Quoted(name) + " is set here");
    }
    Report(OffsetIn(index, argument, at), Severity::Warning, "unset-variable",
           "variable " + Quoted(name) + what +
               (notes.empty() ? DidYouMean(name, KeysOf(setAnywhere_)) : std::string()),
           notes);
}

void Checker::CheckFlags(int index, std::initializer_list<int> arguments) {
    for (const int argument : arguments) {
        const std::string_view flag = Arg(index, argument);
        if (flag != "0" && flag != "1") {
            ReportAt(index, argument, Severity::Warning, "flag",
                     "flag " + Quoted(flag) + " is neither 0 nor 1; it counts as " +
                         (LenientFlag(std::string(flag)) != 0 ? "1" : "0"));
        }
    }
}

void Checker::CheckPage(int index, int argument) {
    const std::string_view page = Arg(index, argument);
    if (std::find(std::begin(kPageNames), std::end(kPageNames), page) == std::end(kPageNames)) {
        ReportAt(index, argument, Severity::Warning, "page-name",
                 Quoted(page) + " is not a page name; pages are DIALOG_WELCOME, DIALOG_DEST, "
                                "DIALOG_SECTIONS, DIALOG_PROGRAMGROUP and DIALOG_COPY");
    }
}

void Checker::CheckControl(int index, int argument, const std::string* page) {
    const std::string control(Arg(index, argument));
    if (page != nullptr ? controls_.count({*page, control}) == 0
                        : controlNames_.count(control) == 0) {
        ReportAt(index, argument, Severity::Warning, "unknown-control",
                 "no AddWindow creates a control " + Quoted(control) +
                     (page != nullptr ? " on " + Quoted(*page) : std::string()));
    }
}

// A type that is none of the six names a window class, which the system may
// not have: class names are matched without regard to case, type names are not.
void Checker::CheckControlType(int index) {
    const std::string_view type = Arg(index, 2);
    std::vector<std::string_view> known(std::begin(kControlTypes), std::end(kControlTypes));
    if (std::find(known.begin(), known.end(), type) != known.end()) {
        return;
    }
    for (const std::string_view name : known) {
        if (EqualIgnoringCase(type, name)) {
            ReportAt(index, 2, Severity::Warning, "control-type",
                     "control type " + Quoted(type) + " creates nothing; the type is '" +
                         std::string(name) + "'");
            return;
        }
    }
    const std::size_t types = known.size();
    for (std::size_t from = 0; from < kSystemClasses.size();) {
        const std::size_t end = std::min(kSystemClasses.find(' ', from), kSystemClasses.size());
        known.push_back(kSystemClasses.substr(from, end - from));
        from = end + 1;
    }
    if (std::none_of(known.begin() + static_cast<std::ptrdiff_t>(types), known.end(),
                     [&](std::string_view name) { return EqualIgnoringCase(type, name); })) {
        ReportAt(index, 2, Severity::Warning, "control-type",
                 "control type " + Quoted(type) +
                     " is neither one of the six types nor a window class the system has, so "
                     "no control is created" +
                     DidYouMean(type, known));
    }
}

// An argument the pages compare with one of two words, exactly.
void Checker::CheckChoice(int index, int argument, const char* first, const char* second) {
    const std::string_view word = Arg(index, argument);
    if (word != first && word != second) {
        ReportAt(index, argument, Severity::Warning, "next-rule",
                 Quoted(word) + " is neither " + first + " nor " + second +
                     ", so this Next rule does nothing" + DidYouMean(word, {first, second}));
    }
}

void Checker::CheckAddFile(int index) {
    CheckFlags(index, {3, 5, 6, 7, 8});
    const std::string_view section = Arg(index, 2);
    if (sections_.count(std::string(section)) == 0) {
        const auto later = sectionsAnywhere_.find(section);
        ReportAt(index, 2, Severity::Error, "",
                 "section " + Quoted(section) +
                     " is not created by a CreateSection before this AddFile" +
                     (later == sectionsAnywhere_.end()
                          ? DidYouMean(section, KeysOf(sectionsAnywhere_))
                          : std::string()),
                 later == sectionsAnywhere_.end()
                     ? DiagnosticReporter::Related{}
                     : DiagnosticReporter::Related{{reader_.StatementOffset(later->second),
                                                    "it is created here, after the AddFile"}});
    }
    // Past a string without its closing quote, a ShowCopy may be lost to the check.
    const bool copiesKnown = findings_.uncheckedFrom == static_cast<std::size_t>(-1);
    if (copiesKnown && (showCopies_.empty() || index > showCopies_.back())) {
        Report(reader_.StatementOffset(index), Severity::Error, "",
               "no ShowCopy follows this AddFile, so its file is never installed");
    }
    const std::string_view destination = Arg(index, 1);
    ForEachReference(destination, [&](std::string_view name, std::size_t open) {
        if (seenDestinationReferences_.emplace(name).second) {
            destinationReferences_.push_back({index, std::string(name), open});
        }
    });
    // The uninstall entry names VLUninstall.exe in the installation folder.
    const std::size_t name = destination.find_first_not_of('\\', 4);
    if (destination.substr(0, 4) == "[DP]" && name != std::string_view::npos &&
        EqualIgnoringCase(destination.substr(name), "VLUninstall.exe")) {
        uninstallerAdded_ = true;
    }
    CheckDisk(index);
    CheckSplitPart(index);
    CheckSource(index);
}

// The disk number only names the disk in the prompt for a missing source.
void Checker::CheckDisk(int index) {
    const std::string_view disk = Arg(index, 4);
    const int number = LenientNumber(std::string(disk));
    const bool digits = !disk.empty() && disk.size() <= 5 &&
                        disk.find_first_not_of("0123456789") == std::string_view::npos;
    if (!digits || number < 1 || number > 32767) {
        ReportAt(index, 4, Severity::Warning, "disk",
                 "disk " + Quoted(disk) +
                     " is no disk number from 1 to 32767; the prompt for a missing source "
                     "would ask for disk " +
                     std::to_string(static_cast<int16_t>(number)));
        return;
    }
    const std::string_view source = Arg(index, 0);
    for (std::size_t from = 0; from < source.size();) {
        const std::size_t end = std::min(source.find_first_of("\\/", from), source.size());
        const std::string_view folder = source.substr(from, end - from);
        from = end + 1;
        if (end == source.size() || folder.size() < 5 ||
            !EqualIgnoringCase(folder.substr(0, 4), "disk") ||
            folder.find_first_not_of("0123456789", 4) != std::string_view::npos) {
            continue;
        }
        if (LenientNumber(std::string(folder.substr(4))) != number) {
            ReportAt(index, 4, Severity::Warning, "disk",
                     "disk " + std::to_string(number) + " is not that of the source's folder " +
                         Quoted(folder) + "; the prompt for a missing source would ask for disk " +
                         std::to_string(number));
        }
        return;
    }
}

// Follows the wizard's joining of parts: a part continues the file of the
// nearest earlier part with the same destination, unless that one was the
// last; parts of other files may stand in between.
void Checker::CheckSplitPart(int index) {
    if (LenientFlag(std::string(Arg(index, 5))) == 0) {
        return;
    }
    const bool last = LenientFlag(std::string(Arg(index, 6))) != 0;
    const std::string destination(Arg(index, 1));
    const auto open = openSplitFiles_.find(destination);
    if (open == openSplitFiles_.end() && last) {
        ReportAt(index, 6, Severity::Error, "",
                 "lastPart of " + Quoted(destination) + " without earlier parts of it");
    } else if (open == openSplitFiles_.end()) {
        openSplitFiles_.emplace(destination, std::make_pair(index, index));
    } else if (last) {
        openSplitFiles_.erase(open);
    } else {
        open->second.second = index;
    }
}

void Checker::CheckSource(int index) {
    const std::string& directory = options_.setupDirectory;
    if (directory.empty()) {
        return;
    }
    std::string path = Expanded(index, 0);
    const bool inSetup = path.compare(0, directory.size(), directory) == 0 &&
                         (path.size() == directory.size() || path[directory.size()] == '\\' ||
                          path[directory.size()] == '/');
    const bool absolute = (path.size() >= 2 && path[1] == ':') ||
                          (!path.empty() && (path[0] == '\\' || path[0] == '/'));
    if (!inSetup && absolute) {
        return; // outside the setup's disks, e.g. in the Windows directory
    }
    if (!inSetup) {
        path = directory + "/" + path; // the wizard runs in the setup directory
    }
#ifndef _WIN32
    std::replace(path.begin(), path.end(), '\\', '/');
#endif
    const SourceKind kind =
        options_.sourceExists
            ? (options_.sourceExists(path) ? SourceKind::File : SourceKind::Missing)
            : files_.Kind(path);
    if (kind != SourceKind::File) {
        DiagnosticReporter::Related notes;
        if (kind == SourceKind::Missing && options_.setupDirectoryGuessed && !disksHinted_) {
            disksHinted_ = true;
            notes.emplace_back(reader_.ArgumentOffset(index, 0),
                               "[SP] was taken as the script's folder; when the disks lie "
                               "elsewhere, name their folder with --disks DIR");
        }
        ReportAt(index, 0, Severity::Error, "",
                 "source file " + Quoted(path) +
                     (kind == SourceKind::Folder ? " is a folder, not a file" : " does not exist"),
                 notes);
    }
}

void Checker::FollowQuietRun(int index, const std::string& name) {
    std::vector<std::string> a;
    const unsigned expanded = CommandExpandedArguments(name);
    for (int argument = 0; argument < reader_.ArgumentCount(index); ++argument) {
        a.emplace_back(Arg(index, argument));
        if ((expanded & (1u << argument)) != 0) {
            quietVariables_.ExpandReferences(a.back());
        }
    }
    const std::size_t at = reader_.StatementOffset(index);
    if (name == "SetAppName") {
        quietVariables_.Assign("APPNAME", a[0]);
        quietVariables_.Assign("PROGRAMGROUP", a[0]);
    } else if (name == "SetVariable") {
        quietVariables_.Assign(a[0], a[1]);
    } else if (name == "SetDeveloperName" || name == "SetCaption" || name == "SetWelcomeString2") {
        const char* variable = name == "SetDeveloperName" ? "DEVELOPERNAME"
                               : name == "SetCaption"     ? "CAPTION"
                                                          : "WELCOMESTRING2";
        quietVariables_.Assign(variable, a[0]);
    } else if (name == "SetWelcomeString") {
        quietVariables_.Assign("WELCOMESTRING_CAP", a[1]);
        quietVariables_.Assign("WELCOMESTRING", a[0]);
    } else if (name == "AddWindow") {
        quietModel_.windows.push_back(WindowOfAddWindow(a));
    } else if (name == "SetNextDynamicState" || name == "CheckButton") {
        quietModel_.deferredStatements.push_back(
            DeferredStatement{name, a, static_cast<int32_t>(a.size())});
    } else if (name == "ShowMessage" && a[3] == "NOW") {
        Report(at, Severity::Note, "",
               "a quiet run writes this message to its log instead of showing it");
    }
    for (std::size_t page = 0; page < std::size(kPageStatements); ++page) {
        std::string blocking;
        if (name == kPageStatements[page] &&
            !NextEnabledUntouched(kPageNames[page], quietModel_, quietVariables_, blocking)) {
            Report(at, Severity::Warning, "quiet-ready", "a quiet run stops here: " + blocking);
        }
    }
}

void Checker::Finish() {
    for (const auto& [destination, parts] : openSplitFiles_) {
        Report(reader_.StatementOffset(parts.second), Severity::Error, "",
               "split file " + Quoted(destination) +
                   " never reaches a part with lastPart set, so it is never installed",
               parts.first == parts.second
                   ? DiagnosticReporter::Related{}
                   : DiagnosticReporter::Related{
                         {reader_.StatementOffset(parts.first), "its first part is here"}});
    }
    for (const Reference& reference : destinationReferences_) {
        const auto copy = std::upper_bound(showCopies_.begin(), showCopies_.end(), reference.index);
        const int installedAt = copy == showCopies_.end() ? reader_.StatementCount() : *copy;
        if (!IsSetBefore(reference.name, installedAt) &&
            warnedUnset_.insert(reference.name).second) {
            ReportUnset(reference.index, 1, reference.open, reference.name,
                        " is not set before the file is installed; it expands to nothing");
        }
    }
    if (!showCopies_.empty() && !uninstallerAdded_) {
        Report(reader_.StatementOffset(showCopies_.front()), Severity::Warning, "uninstaller",
               "no AddFile installs VLUninstall.exe into [DP], which the uninstall entry names");
    }
}

CheckReport Check(const ScriptReader& reader, std::string_view text, std::string_view afterEnd,
                  const CheckOptions& options) {
    DiagnosticReporter reporter(text, options.policy);
    const TextFindings findings = CheckScriptText(reader, afterEnd, reporter);
    Checker(reader, options, reporter, findings).Run();
    return reporter.Finish();
}

} // namespace

CheckReport CheckScript(const ScriptReader& reader, const CheckOptions& options) {
    return Check(reader, reader.ScannedText(), {}, options);
}

CheckReport CheckScriptBytes(const std::string& bytes, const CheckOptions& options) {
    ScriptReader reader;
    reader.ScanText(bytes);
    const std::size_t end = std::min(reader.ScannedText().size() + 1, bytes.size());
    return Check(reader, bytes, std::string_view(bytes).substr(end), options);
}
