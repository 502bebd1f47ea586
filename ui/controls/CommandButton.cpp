#include "CommandButton.h"

#include <QKeyEvent>

namespace corvan::ui {

CommandButton::CommandButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    // A button in a dialog is auto-default unless told otherwise: the dialog would then
    // press it for Enter in any of its lists.
    setAutoDefault(false);
    setDefault(false);
}

void CommandButton::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && plain) {
        if (!event->isAutoRepeat()) click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

}  // namespace corvan::ui
