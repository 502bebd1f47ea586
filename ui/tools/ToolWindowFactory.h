#pragma once

#include "ui/windows/ToolWindows.h"

namespace corvan::ui {

// The Prepare Audio, Loop and Soundtrack windows, as the main window's Tools menu opens them.
class ToolWindowFactory : public ToolWindows {
public:
    QWidget* makePrepareAudio(MainWindowLink& main) override;
    QWidget* makeLoop(MainWindowLink& main) override;
    QWidget* makeSoundtrack(MainWindowLink& main) override;
};

}  // namespace corvan::ui
