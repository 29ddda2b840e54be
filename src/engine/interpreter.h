#pragma once

#include <string>
#include <vector>

#include "engine/model.h"
#include "resources/resource_ids.h"

enum class RunOutcome { Finished, Stopped, SyntaxError };

// Dialog templates of the pages that the page commands show.
enum PageTemplate {
    kWelcomeTemplate = IDD_WELCOME,
    kSectionsTemplate = IDD_SECTIONS,
    kDestinationTemplate = IDD_DEST,
    kCopyTemplate = IDD_COPY,
    kProgramGroupTemplate = IDD_PROGRAMGROUP,
};

// What the interpreter needs from the windowing layer. The Windows build shows
// real message boxes and pages; tests supply a double.
class CommandHost {
  public:
    virtual ~CommandHost() = default;
    // ShowMessage(..., "NOW"): a box with OK only, no icon, no owner.
    virtual void ShowImmediateMessage(const std::string& text, const std::string& caption) = 0;
    // SetBackground: repaint the background window at once.
    virtual void RepaintBackground() = 0;
    // Runs a page as a modal dialog; 0 goes on, anything else stops the run.
    virtual int RunPage(PageTemplate page) = 0;
    // The fatal syntax-error box.
    virtual void ShowSyntaxError() = 0;
};

// The run's stop signal. Every path that ends the run sets it: a confirmed
// Cancel or quit, an aborted installation, the background window going away,
// a page that cannot be shown. No statement runs after it, whatever result the
// page that was open returns.
void RequestQuit();
bool QuitRequested();
// Clears the signal; for a fresh run in tests.
void ResetQuitRequest();

// Executes the statements of `scriptReader` in order against `variables`,
// `model` and `backgroundSettings`.
RunOutcome RunScript(CommandHost& host);

// The text of the syntax-error box and its caption.
extern const char* const kSyntaxErrorText;
extern const char* const kFatalErrorCaption;

// The argument count of a known command, or -1 when the name is no command.
int CommandArgumentCount(const std::string& name);

// The command names in the order of the table, for tools that suggest a
// command for a misspelled name.
int CommandTableSize();
const char* CommandNameAt(int index);

// Bit n set: the interpreter expands the references in argument n + 1 of the
// command; 0 for a name that is no command.
unsigned CommandExpandedArguments(const std::string& name);

// The control that an AddWindow statement records, from its nine arguments as
// expanded.
WindowRecord WindowOfAddWindow(const std::vector<std::string>& arguments);
