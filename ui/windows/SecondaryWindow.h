#pragma once

#include <QDialog>

namespace corvan::ui {

class frmMain;

// A window that the main window opens: shown modeless while the main window takes no
// input, kept when hidden, destroyed when closed through its frame. Enter and Escape
// belong to no button of its own, so Escape cannot hide it and strand the main window.
class SecondaryWindow : public QDialog {
    Q_OBJECT

protected:
    explicit SecondaryWindow(frmMain& main);

    // Runs each time the window becomes the active window.
    virtual void Form_Activate() = 0;
    // Runs when the window is closed through its frame; the close is never refused.
    virtual void Form_Unload() = 0;

    // Every way out: the window hides, and the main window is enabled and focused again.
    void returnToMainWindow();

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    frmMain& main_;
};

}  // namespace corvan::ui
