#include "Frame.h"

#include <qdrawutil.h>
#include <QPainter>
#include <QStyle>

namespace corvan::ui {

namespace {

constexpr int kCaptionIndent = 6;   // from the frame's left edge to the caption's gap
constexpr int kCaptionPadding = 2;  // the gap around the caption in the top line

}  // namespace

Frame::Frame(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {
    setFocusPolicy(Qt::NoFocus);
}

QRect Frame::captionRect() const {
    const QFontMetrics metrics = fontMetrics();
    return {kCaptionIndent, 0, metrics.horizontalAdvance(title()) + 2 * kCaptionPadding,
            metrics.height()};
}

QRect Frame::borderRect() const {
    return rect().adjusted(0, fontMetrics().height() / 2, 0, 0);
}

void Frame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    qDrawShadeRect(&painter, borderRect(), palette(), true, 1, 0);
    const QRect caption = captionRect();
    painter.fillRect(caption, palette().window());
    style()->drawItemText(&painter, caption, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                          isEnabled(), title(), QPalette::WindowText);
}

}  // namespace corvan::ui
