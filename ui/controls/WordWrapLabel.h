#pragma once

#include <QLabel>
#include <QStringList>

namespace corvan::ui {

// Splits each line of `text` (lines end at '\n') into lines no wider than `width`,
// breaking only at blanks. Joining a line's pieces with one blank gives the line back.
// A word wider than `width` stands on a line of its own.
QStringList wrapAtBlanks(const QString& text, const QFontMetrics& metrics, int width);

// A label that wraps its text at blanks only. Qt's own word wrap also breaks after a
// hyphen, which would split a name such as "X-Wing" across two lines.
class WordWrapLabel : public QLabel {
    Q_OBJECT

public:
    WordWrapLabel(const QString& text, QWidget* parent);

    // The lines as they are drawn.
    QStringList shownLines() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace corvan::ui
