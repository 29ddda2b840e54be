#pragma once

#include <string>

enum class RunOutcome { Finished, Stopped, SyntaxError };

// Dialog templates of the pages that the page commands show.
enum PageTemplate {
    kWelcomeTemplate = 101,
    kSectionsTemplate = 105,
    kDestinationTemplate = 106,
    kCopyTemplate = 111,
    kProgramGroupTemplate = 113,
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
    // True once something asked the program to quit (a confirmed Cancel, an
    // aborted installation): no further statement runs then.
    virtual bool QuitRequested() = 0;
};

// Executes the statements of `scriptReader` in order against `variables`,
// `model` and `backgroundSettings`.
RunOutcome RunScript(CommandHost& host);

// The text of the syntax-error box and its caption.
extern const char* const kSyntaxErrorText;
extern const char* const kFatalErrorCaption;

// The argument count of a known command, or -1 when the name is no command.
int CommandArgumentCount(const std::string& name);
