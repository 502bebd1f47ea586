#include "SecondaryWindow.h"

#include "ui/windows/frmMain.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace corvan::ui {

SecondaryWindow::SecondaryWindow(frmMain& main) : main_(main) {
    setAttribute(Qt::WA_DeleteOnClose);
}

void SecondaryWindow::returnToMainWindow() {
    hide();
    main_.enableAndFocus();
}

bool SecondaryWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        // Show where the keyboard is from the start, not only once Tab has been pressed.
        setAttribute(Qt::WA_KeyboardFocusChange);
        Form_Activate();
    }
    return QDialog::event(event);
}

void SecondaryWindow::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();  // the window goes; the next use makes it anew
}

void SecondaryWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace corvan::ui
