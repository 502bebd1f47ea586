#pragma once

#include <QRadioButton>

namespace corvan::ui {

// An option button only as wide as its circle. The style draws the focus around the text,
// which such a button never shows, so the focus goes round the circle instead.
class OptionButton : public QRadioButton {
    Q_OBJECT

public:
    OptionButton(const QString& text, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace corvan::ui
