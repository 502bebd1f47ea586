#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QPushButton;

namespace corvan::ui {

class frmMain;

// Name, version, a guide to the program's use and its limits. Shown modeless, but while
// it is active the main window is disabled, so toward the main window it acts as a modal
// dialog.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(frmMain& main);

    // The 18 lines, separated by single carriage returns.
    static std::string aboutText();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Activate();
    void cmdOK_Click();
    void Form_Unload();

    frmMain& main_;
    QLabel* aboutLabel_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
};

}  // namespace corvan::ui
