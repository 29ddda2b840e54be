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

#include "engine/interpreter.h"
#include "engine/lenient_number.h"
#include "engine/model.h"
#include "engine/page_rules.h"
#include "engine/variables.h"

namespace fs = std::filesystem;

namespace {

const char* const kPageNames[] = {"DIALOG_WELCOME", "DIALOG_DEST", "DIALOG_SECTIONS",
                                  "DIALOG_PROGRAMGROUP", "DIALOG_COPY"};
// The statement that shows each page of kPageNames.
const char* const kPageStatements[] = {"ShowWelcome", "ShowDest", "ShowSections",
                                       "ShowProgramGroup", "ShowCopy"};
const char* const kControlTypes[] = {
    "CHECKBOX", "CHECKBOX_BTNSTYLE", "OPTION", "OPTION_BTNSTYLE", "LABEL", "EDIT"};
const char* const kBuiltInVariables[] = {"SP", "SETUPFILE", "WINPATH", "SYSPATH", "DP"};
constexpr int kBuiltIn = -1; // "set before statement 0"
// Script text quoted in a message is cut, so that a hostile argument cannot
// make one line of megabytes.
constexpr std::size_t kMaxQuoted = 60;
// Longer source paths are not looked up (the wizard cannot open them anyway);
// the bound also keeps the folder-by-folder lookup shallow.
constexpr std::size_t kMaxLookedUpPath = 4096;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        c = LowerAscii(c);
    }
    return text;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

std::string Quoted(std::string_view text) {
    std::string out = "'";
    for (const char c : text.substr(0, kMaxQuoted)) {
        out.push_back(static_cast<unsigned char>(c) < 0x20 ? '?' : c);
    }
    return out + (text.size() > kMaxQuoted ? "...'" : "'");
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

// The command that a name differing in case or by one or two letters most
// likely meant; empty when none is that close.
std::string_view LikelyCommand(std::string_view name) {
    std::string_view best;
    std::size_t bestDistance = 3;
    for (int k = 0; k < CommandTableSize(); ++k) {
        const std::string_view command = CommandNameAt(k);
        if (EqualIgnoringCase(name, command)) {
            return command;
        }
        const std::size_t longer = std::max(name.size(), command.size());
        if (longer - std::min(name.size(), command.size()) >= bestDistance ||
            longer > kMaxCompared) {
            continue;
        }
        const std::size_t distance = EditDistance(name, command);
        if (distance < bestDistance) {
            best = command;
            bestDistance = distance;
        }
    }
    return best;
}

// Calls visit(name) for each "[name]" of the text, up to the number of
// references that the wizard expands in one argument.
template <typename Visit> void ForEachReference(std::string_view text, Visit visit) {
    std::size_t from = 0;
    for (int n = 0; n < VariableStore::kMaxReplacements; ++n) {
        const std::size_t open = text.find('[', from);
        const std::size_t close = open == std::string_view::npos ? open : text.find(']', open + 1);
        if (close == std::string_view::npos) {
            return;
        }
        visit(text.substr(open + 1, close - open - 1));
        from = close + 1;
    }
}

std::string_view FileNameOf(std::string_view path) {
    const std::size_t slash = path.rfind('\\');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Finds files as the wizard's file system does, without regard to ASCII
// case, where the tool's file system tells case apart. Folder listings are
// read once, so that many missing sources in one folder cost no more.
class FileLookup {
  public:
    bool Exists(const std::string& path) {
        std::error_code error;
        if (path.size() > kMaxLookedUpPath) {
            return false;
        }
        if (fs::is_regular_file(path, error)) {
            return true;
        }
        const fs::path wanted(path);
        const std::string* folder = Folder(wanted.parent_path());
        const std::string name =
            folder != nullptr ? Resolve(*folder, wanted.filename().string()) : std::string();
        return !name.empty() && fs::is_regular_file(fs::path(*folder) / name, error);
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
    Checker(const ScriptReader& reader, const CheckOptions& options)
        : reader_(reader), options_(options) {}

    CheckReport Run();

  private:
    std::string_view Arg(int index, int argument) const {
        return reader_.Argument(index, argument);
    }
    void Report(ScriptPosition position, Severity severity, std::string message);
    void ReportAt(int index, int argument, Severity severity, std::string message) {
        Report(reader_.ArgumentPosition(index, argument), severity, std::move(message));
    }
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
    void CheckFlags(int index, std::initializer_list<int> arguments);
    void CheckPage(int index, int argument);
    void CheckControl(int index, int argument, const std::string* page);
    void CheckAddFile(int index);
    void CheckSplitPart(int index);
    void CheckSource(int index);
    void FollowQuietRun(int index, const std::string& name);
    void Finish();

    const ScriptReader& reader_;
    const CheckOptions& options_;
    CheckReport report_;
    VariableStore variables_;
    std::unordered_map<std::string, int> firstSet_;
    std::unordered_set<std::string> warnedUnset_;
    // Destination references, first use of each name only: the wizard
    // expands destinations when the file is installed, at the next ShowCopy.
    std::vector<std::pair<int, std::string>> destinationReferences_;
    std::unordered_set<std::string> seenDestinationReferences_;
    std::vector<int> showCopies_;
    std::set<std::pair<std::string, std::string>> controls_; // page and name
    std::unordered_set<std::string> controlNames_;
    std::unordered_set<std::string> sections_;
    FileLookup files_;
    bool uninstallerAdded_ = false;
    // Split files still being joined: the first part, by destination name.
    std::map<std::string, int> openSplitFiles_;
    // What a quiet run has at each statement, built as the interpreter builds
    // it. The machine's folders (SP, WINPATH, SYSPATH, DP) are unknown here and
    // read as empty. A wrong argument count ends the run.
    VariableStore quietVariables_;
    InstallationModel quietModel_;
    bool quietRunEnded_ = false;
};

void Checker::Report(ScriptPosition position, Severity severity, std::string message) {
    (severity == Severity::Error     ? report_.errors
     : severity == Severity::Warning ? report_.warnings
                                     : report_.notes) += 1;
    if (report_.diagnostics.size() < options_.maxKept) {
        report_.diagnostics.push_back(Diagnostic{position, severity, std::move(message)});
    }
}

CheckReport Checker::Run() {
    for (const char* name : kBuiltInVariables) {
        MarkSet(name, kBuiltIn);
    }
    variables_.Assign("SP", options_.setupDirectory);
    Collect();
    for (int index = 0; index < reader_.StatementCount(); ++index) {
        CheckStatement(index);
    }
    Finish();
    std::stable_sort(report_.diagnostics.begin(), report_.diagnostics.end(),
                     [](const Diagnostic& a, const Diagnostic& b) {
                         return a.position.line != b.position.line
                                    ? a.position.line < b.position.line
                                    : a.position.column < b.position.column;
                     });
    return std::move(report_);
}

// What later statements are checked against: the copy pages, and the
// controls, which a Next rule may name before the AddWindow that makes them.
void Checker::Collect() {
    for (int index = 0; index < reader_.StatementCount(); ++index) {
        if (!IsRunnable(index)) {
            continue;
        }
        const std::string_view name = reader_.StatementName(index);
        if (name == "ShowCopy") {
            showCopies_.push_back(index);
        } else if (name == "AddWindow") {
            controls_.emplace(Arg(index, 0), Arg(index, 1));
            controlNames_.emplace(Arg(index, 1));
        }
    }
}

void Checker::CheckStatement(int index) {
    const std::string name(reader_.StatementName(index));
    const int expected = CommandArgumentCount(name);
    const int count = reader_.ArgumentCount(index);
    const ScriptPosition at = reader_.StatementPosition(index);
    if (expected < 0) {
        const std::string_view meant = LikelyCommand(name);
        Report(at, Severity::Warning,
               "unknown command " + Quoted(name) + " is skipped" +
                   (meant.empty() ? "" : "; did you mean '" + std::string(meant) + "'?"));
        return;
    }
    if (count != expected) {
        quietRunEnded_ = true;
        Report(at, Severity::Error,
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
        for (const char* set : {"APPNAME", "PROGRAMGROUP", "DP"}) {
            MarkSet(set, index);
        }
    } else if (name == "SetDeveloperName") {
        MarkSet("DEVELOPERNAME", index);
    } else if (name == "SetWelcomeString") {
        MarkSet("WELCOMESTRING", index);
        MarkSet("WELCOMESTRING_CAP", index);
    } else if (name == "SetWelcomeString2") {
        MarkSet("WELCOMESTRING2", index);
    } else if (name == "SetCaption") {
        MarkSet("CAPTION", index);
    } else if (name == "SetVariable") {
        const std::string variable = Expanded(index, 0);
        const std::string value = Expanded(index, 1);
        if (variable == "DP" && (value.empty() || value.back() != '\\')) {
            ReportAt(index, 1, Severity::Warning,
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
        const std::string_view type = Arg(index, 2);
        for (const char* known : kControlTypes) {
            if (type != known && EqualIgnoringCase(type, known)) {
                ReportAt(index, 2, Severity::Warning,
                         "control type " + Quoted(type) + " creates nothing; the type is '" +
                             known + "'");
            }
        }
    } else if (name == "ShowMessage") {
        const std::string_view when = Arg(index, 3);
        if (when == "COMMAND") {
            CheckControl(index, 2, nullptr);
        } else if (when != "NOW") {
            ReportAt(index, 3, Severity::Warning,
                     "ShowMessage with " + Quoted(when) +
                         " is stored and never shown; it takes NOW or COMMAND");
        }
    } else if (name == "SetNextDynamicState") {
        CheckPage(index, 0);
        if (Arg(index, 1) == "CONTROL") {
            const std::string page(Arg(index, 0));
            CheckControl(index, 2, &page);
        }
    } else if (name == "CheckButton") {
        CheckControl(index, 0, nullptr);
    } else if (name == "ShowCopy" && !IsSetBefore("APPNAME", index)) {
        Report(at, Severity::Error,
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
        ForEachReference(Arg(index, argument), [&](std::string_view name) {
            if (!IsSetBefore(name, index) && warnedUnset_.emplace(name).second) {
                ReportAt(index, argument, Severity::Warning,
                         "variable " + Quoted(name) +
                             " is used before anything sets it; it expands to nothing");
            }
        });
    }
}

void Checker::CheckFlags(int index, std::initializer_list<int> arguments) {
    for (const int argument : arguments) {
        const std::string_view flag = Arg(index, argument);
        if (flag != "0" && flag != "1") {
            ReportAt(index, argument, Severity::Warning,
                     "flag " + Quoted(flag) + " is neither 0 nor 1; it counts as " +
                         (LenientFlag(std::string(flag)) != 0 ? "1" : "0"));
        }
    }
}

void Checker::CheckPage(int index, int argument) {
    const std::string_view page = Arg(index, argument);
    if (std::find(std::begin(kPageNames), std::end(kPageNames), page) == std::end(kPageNames)) {
        ReportAt(index, argument, Severity::Warning,
                 Quoted(page) + " is not a page name; pages are DIALOG_WELCOME, DIALOG_DEST, "
                                "DIALOG_SECTIONS, DIALOG_PROGRAMGROUP and DIALOG_COPY");
    }
}

void Checker::CheckControl(int index, int argument, const std::string* page) {
    const std::string control(Arg(index, argument));
    if (page != nullptr ? controls_.count({*page, control}) == 0
                        : controlNames_.count(control) == 0) {
        ReportAt(index, argument, Severity::Warning,
                 "no AddWindow creates a control " + Quoted(control) +
                     (page != nullptr ? " on " + Quoted(*page) : std::string()));
    }
}

void Checker::CheckAddFile(int index) {
    CheckFlags(index, {3, 5, 6, 7, 8});
    const std::string_view section = Arg(index, 2);
    if (sections_.count(std::string(section)) == 0) {
        ReportAt(index, 2, Severity::Error,
                 "section " + Quoted(section) +
                     " is not created by a CreateSection before this AddFile");
    }
    if (showCopies_.empty() || index > showCopies_.back()) {
        Report(reader_.StatementPosition(index), Severity::Error,
               "no ShowCopy follows this AddFile, so its file is never installed");
    }
    const std::string_view destination = Arg(index, 1);
    ForEachReference(destination, [&](std::string_view name) {
        if (seenDestinationReferences_.emplace(name).second) {
            destinationReferences_.emplace_back(index, std::string(name));
        }
    });
    // The uninstall entry names VLUninstall.exe in the installation folder.
    const std::size_t name = destination.find_first_not_of('\\', 4);
    if (destination.substr(0, 4) == "[DP]" && name != std::string_view::npos &&
        EqualIgnoringCase(destination.substr(name), "VLUninstall.exe")) {
        uninstallerAdded_ = true;
    }
    CheckSplitPart(index);
    CheckSource(index);
}

// Follows the wizard's joining of parts: a part continues the file of the
// nearest earlier part with the same destination name, unless that one was
// the last; parts of other files may stand in between.
void Checker::CheckSplitPart(int index) {
    if (LenientFlag(std::string(Arg(index, 5))) == 0) {
        return;
    }
    const bool last = LenientFlag(std::string(Arg(index, 6))) != 0;
    const std::string name(FileNameOf(Arg(index, 1)));
    const auto open = openSplitFiles_.find(name);
    if (open == openSplitFiles_.end() && last) {
        ReportAt(index, 6, Severity::Error,
                 "lastPart of " + Quoted(name) + " without earlier parts of that destination");
    } else if (open == openSplitFiles_.end()) {
        openSplitFiles_.emplace(name, index);
    } else if (last) {
        openSplitFiles_.erase(open);
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
    const bool exists = options_.sourceExists ? options_.sourceExists(path) : files_.Exists(path);
    if (!exists) {
        ReportAt(index, 0, Severity::Error, "source file " + Quoted(path) + " does not exist");
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
    const ScriptPosition at = reader_.StatementPosition(index);
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
        WindowRecord window;
        window.page = a[0];
        window.name = a[1];
        window.type = a[2];
        window.text = a[3];
        quietModel_.windows.push_back(window);
    } else if (name == "SetNextDynamicState" || name == "CheckButton") {
        quietModel_.deferredStatements.push_back(
            DeferredStatement{name, a, static_cast<int32_t>(a.size())});
    } else if (name == "ShowMessage" && a[3] == "NOW") {
        Report(at, Severity::Note,
               "a quiet run writes this message to its log instead of showing it");
    }
    for (std::size_t page = 0; page < std::size(kPageStatements); ++page) {
        std::string blocking;
        if (name == kPageStatements[page] &&
            !NextEnabledUntouched(kPageNames[page], quietModel_, quietVariables_, blocking)) {
            Report(at, Severity::Warning, "a quiet run stops here: " + blocking);
        }
    }
}

void Checker::Finish() {
    for (const auto& [name, first] : openSplitFiles_) {
        Report(reader_.StatementPosition(first), Severity::Error,
               "split file " + Quoted(name) +
                   " never reaches a part with lastPart set, so it is never installed");
    }
    for (const auto& [index, name] : destinationReferences_) {
        const auto copy = std::upper_bound(showCopies_.begin(), showCopies_.end(), index);
        const int installedAt = copy == showCopies_.end() ? reader_.StatementCount() : *copy;
        if (!IsSetBefore(name, installedAt) && warnedUnset_.insert(name).second) {
            ReportAt(index, 1, Severity::Warning,
                     "variable " + Quoted(name) +
                         " is not set before the file is installed; it expands to nothing");
        }
    }
    if (!showCopies_.empty() && !uninstallerAdded_) {
        Report(reader_.StatementPosition(showCopies_.front()), Severity::Warning,
               "no AddFile installs VLUninstall.exe into [DP], which the uninstall entry names");
    }
}

} // namespace

CheckReport CheckScript(const ScriptReader& reader, const CheckOptions& options) {
    return Checker(reader, options).Run();
}
