#include "OptionButton.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace corvan::ui {

OptionButton::OptionButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {}

void OptionButton::paintEvent(QPaintEvent* event) {
    QRadioButton::paintEvent(event);
    if (!hasFocus()) return;
    QStyleOptionButton button;
    initStyleOption(&button);
    const QRect circle = style()->subElementRect(QStyle::SE_RadioButtonIndicator, &button, this);
    QPainter painter(this);
    QPen dotted(palette().color(QPalette::Highlight), 1, Qt::DotLine);
    painter.setPen(dotted);
    painter.drawRect(circle.adjusted(-1, -1, 0, 0).intersected(rect().adjusted(0, 0, -1, -1)));
}

}  // namespace corvan::ui
