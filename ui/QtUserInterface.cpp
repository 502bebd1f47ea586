#include "QtUserInterface.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

namespace corvan::ui {

QString displayText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QtUserInterface::~QtUserInterface() {
    setMousePointer(MousePointer::Default);
}

void QtUserInterface::messageBox(const std::string& text, int style) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if ((style & 0x70) == MB_ICONERROR) icon = QMessageBox::Critical;
    if ((style & 0x70) == MB_ICONWARNING) icon = QMessageBox::Warning;
    QMessageBox box(icon, QCoreApplication::applicationName(), displayText(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void QtUserInterface::beep() {
    QApplication::beep();
}

void QtUserInterface::setMousePointer(MousePointer pointer) {
    const bool hourglass = pointer == MousePointer::Hourglass;
    if (hourglass == hourglass_) return;
    hourglass_ = hourglass;
    if (hourglass) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QGuiApplication::restoreOverrideCursor();
    }
}

}  // namespace corvan::ui
