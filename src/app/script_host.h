#pragma once

#include "engine/interpreter.h"

// The interpreter's link to the windows: real message boxes, the background
// window's repaint and the wizard pages as modal dialogs.
class WindowsCommandHost : public CommandHost {
  public:
    void ShowImmediateMessage(const std::string& text, const std::string& caption) override;
    void RepaintBackground() override;
    int RunPage(PageTemplate page) override;
    void ShowSyntaxError() override;
};
