#include "app/quiet_host.h"

#include "engine/model.h"
#include "engine/page_rules.h"
#include "engine/variables.h"
#include "pages/copy_page.h"
#include "ui/page_frame.h"
#include "pages/program_group_page.h"
#include "platform/app_state.h"
#include "platform/run_log.h"

namespace {

const char* PageName(PageTemplate page) {
    switch (page) {
    case kWelcomeTemplate:
        return "DIALOG_WELCOME";
    case kDestinationTemplate:
        return "DIALOG_DEST";
    case kSectionsTemplate:
        return "DIALOG_SECTIONS";
    case kProgramGroupTemplate:
        return "DIALOG_PROGRAMGROUP";
    case kCopyTemplate:
        return "DIALOG_COPY";
    }
    return "";
}

std::string Chosen() {
    std::string text;
    for (const SectionRecord& section : model.sections) {
        if (WillBeInstalled(section)) {
            text += (text.empty() ? "" : ", ") + section.name;
        }
    }
    return text.empty() ? "none" : text;
}

} // namespace

void QuietCommandHost::ShowImmediateMessage(const std::string& text, const std::string& caption) {
    LogStep("message \"" + caption + "\": " + text);
}

void QuietCommandHost::ShowSyntaxError() {
    LogStep(std::string(kFatalErrorCaption) + ": " + kSyntaxErrorText);
}

int QuietCommandHost::Stop(int exitCode, const std::string& why) {
    LogStep(why);
    failure_ = exitCode;
    RequestQuit();
    return kPageCancelled;
}

void QuietCommandHost::ApplyDestination() {
    if (switches_.hasDir && !destinationApplied_) {
        variables.Assign("DP", switches_.dir);
    }
    destinationApplied_ = true;
}

void QuietCommandHost::ApplyGroup() {
    if (switches_.hasGroup && !groupApplied_) {
        variables.Assign("PROGRAMGROUP", NewGroupPath(ProgramsFolderPath(), switches_.group));
    }
    groupApplied_ = true;
}

// The optional sections named by /sections are chosen, the others not; a name
// the script does not have is a typing error that must not install less.
bool QuietCommandHost::ApplySections() {
    if (!switches_.hasSections || sectionsApplied_) {
        return true;
    }
    sectionsApplied_ = true;
    for (const std::string& name : switches_.sections) {
        bool known = false;
        for (const SectionRecord& section : model.sections) {
            known = known || section.name == name;
        }
        if (!known) {
            Stop(kQuietBadSwitches, "/sections names a section the script does not have: " + name);
            return false;
        }
    }
    for (SectionRecord& section : model.sections) {
        bool named = false;
        for (const std::string& name : switches_.sections) {
            named = named || section.name == name;
        }
        section.selected = named ? 1 : 0;
    }
    return true;
}

int QuietCommandHost::RunPage(PageTemplate page) {
    if (QuitRequested()) {
        return kPageCancelled;
    }
    const std::string name = PageName(page);
    CurrentPage.name = name;
    std::string values;
    switch (page) {
    case kWelcomeTemplate:
        break;
    case kDestinationTemplate:
        ApplyDestination();
        values = "installation directory " + variables.Lookup("DP");
        if (!IsUsableDestination(variables.Lookup("DP"))) {
            return Stop(kQuietFailed, "page " + name + ": the installation directory \"" +
                                          variables.Lookup("DP") + "\" names no directory");
        }
        break;
    case kSectionsTemplate:
        if (!ApplySections()) {
            return kPageCancelled;
        }
        values = "sections " + Chosen();
        break;
    case kProgramGroupTemplate:
        ApplyGroup();
        values = "program group " + variables.Lookup("PROGRAMGROUP");
        break;
    case kCopyTemplate: {
        // Switches whose page the script does not show still count.
        ApplyDestination();
        ApplyGroup();
        if (!ApplySections()) {
            return kPageCancelled;
        }
        LogStep("page " + name + ": sections " + Chosen());
        if (RunCopyWithoutPage() != 0) {
            failure_ = kQuietFailed;
            return kPageCancelled;
        }
        return 0;
    }
    }
    std::string blocking;
    if (!NextEnabledUntouched(name, model, variables, blocking)) {
        return Stop(kQuietFailed, "page " + name +
                                      " needs a person, so the quiet run stops before anything "
                                      "is installed: " +
                                      blocking);
    }
    LogStep("page " + name + (values.empty() ? "" : ": " + values));
    return 0;
}

int QuietCommandHost::ExitCode() const {
    if (failure_ != 0) {
        return failure_;
    }
    return RestartNeeded() ? kQuietRestartNeeded : kQuietInstalled;
}
