#pragma once

#include "engine/command_line.h"
#include "engine/interpreter.h"

// The interpreter's link in an unattended run (/quiet): no window at all. The
// script runs as written with the answers a person would most likely give:
// each page keeps its defaults, changed only by the switches (/dir, /sections,
// /group); a page whose Next rules would keep Next disabled with those values
// stops the run before anything is installed; messages go to the run's log.
class QuietCommandHost : public CommandHost {
  public:
    explicit QuietCommandHost(const CommandLine& switches) : switches_(switches) {}
    void ShowImmediateMessage(const std::string& text, const std::string& caption) override;
    void RepaintBackground() override {}
    int RunPage(PageTemplate page) override;
    void ShowSyntaxError() override;

    // What deployment tools read: 0 installed, 3010 installed and a restart
    // is needed, 1603 failed (and taken back), 1639 a switch names what the
    // script does not have.
    int ExitCode() const;

  private:
    int Stop(int exitCode, const std::string& why);
    bool ApplySections();
    void ApplyDestination();
    void ApplyGroup();

    const CommandLine& switches_;
    int failure_ = 0;
    bool destinationApplied_ = false;
    bool sectionsApplied_ = false;
    bool groupApplied_ = false;
};

// The exit codes of a quiet run.
constexpr int kQuietInstalled = 0;
constexpr int kQuietRestartNeeded = 3010;
constexpr int kQuietFailed = 1603;
constexpr int kQuietBadSwitches = 1639;
