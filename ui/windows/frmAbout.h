#pragma once

#include "ui/windows/SecondaryWindow.h"

#include <string>

class QLabel;
class QPushButton;

namespace corvan::ui {

// Name, version, a guide to the program's use and its limits. Shown modeless, but while
// it is active the main window is disabled, so toward the main window it acts as a modal
// dialog.
class frmAbout : public SecondaryWindow {
    Q_OBJECT

public:
    explicit frmAbout(frmMain& main);

    // The 18 lines, separated by single carriage returns.
    static std::string aboutText();

private:
    void Form_Activate() override;
    void cmdOK_Click();
    void Form_Unload() override;

    QLabel* aboutLabel_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
};

}  // namespace corvan::ui
