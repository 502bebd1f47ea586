#include "WordWrapLabel.h"

#include <QPainter>
#include <QStyle>

namespace corvan::ui {

QStringList wrapAtBlanks(const QString& text, const QFontMetrics& metrics, int width) {
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        bool started = false;
        for (const QString& word : paragraph.split(QLatin1Char(' '))) {
            const QString longer = started ? line + QLatin1Char(' ') + word : word;
            if (!started || metrics.horizontalAdvance(longer) <= width) {
                line = longer;
                started = true;
                continue;
            }
            lines.push_back(line);
            line = word;
        }
        lines.push_back(line);
    }
    return lines;
}

WordWrapLabel::WordWrapLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

QStringList WordWrapLabel::shownLines() const {
    return wrapAtBlanks(text(), fontMetrics(), contentsRect().width());
}

void WordWrapLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    const int lineHeight = fontMetrics().lineSpacing();
    int top = area.top();
    for (const QString& line : shownLines()) {
        style()->drawItemText(&painter, QRect(area.left(), top, area.width(), lineHeight),
                              Qt::AlignLeft | Qt::AlignTop, palette(), isEnabled(), line,
                              foregroundRole());
        top += lineHeight;
    }
}

}  // namespace corvan::ui
