#include "QtUserInterface.h"

#include "ui/windows/WindowFrame.h"

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

namespace {

// The bits of a style that choose the icon; the lower ones choose the buttons.
constexpr int kIconMask = 0x70;

bool hasIcon(MessageStyle style, MessageStyle icon) {
    return (static_cast<int>(style) & kIconMask) == static_cast<int>(icon);
}

}  // namespace

void QtUserInterface::messageBox(const std::string& text, MessageStyle style) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if (hasIcon(style, MessageStyle::Error)) icon = QMessageBox::Critical;
    if (hasIcon(style, MessageStyle::Warning)) icon = QMessageBox::Warning;
    QMessageBox box(icon, QCoreApplication::applicationName(), displayText(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    offerNoMaximize(box);
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
