#pragma once

#include <QPushButton>

namespace corvan::ui {

// A button that is never the window's default: Enter pressed elsewhere in the window
// presses nothing. With the focus it takes Space and Return, as a focused button does on
// the desktop.
class CommandButton : public QPushButton {
    Q_OBJECT

public:
    CommandButton(const QString& text, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace corvan::ui
