#pragma once

class QWidget;

namespace corvan::ui {

class MainWindowLink;

// Makes the windows of the Tools menu, which the main window opens without knowing them:
// start-up hands it the real ones. Each window is made on first use and deletes itself
// when closed.
class ToolWindows {
public:
    virtual ~ToolWindows() = default;

    virtual QWidget* makePrepareAudio(MainWindowLink& main) = 0;
    virtual QWidget* makeLoop(MainWindowLink& main) = 0;
    virtual QWidget* makeSoundtrack(MainWindowLink& main) = 0;
};

}  // namespace corvan::ui
