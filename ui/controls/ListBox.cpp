#include "ListBox.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace corvan::ui {

// Answered here rather than stored on every entry, so that a folder of thousands of files
// lists as quickly as before.
bool ListBox::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QListWidget::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QListWidgetItem* entry = itemAt(help->pos());
    if (entry == nullptr) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(), toolTipFor(*entry), viewport(), visualItemRect(entry));
    return true;
}

QString ListBox::toolTipFor(const QListWidgetItem& item) const {
    return item.text();
}

}  // namespace corvan::ui

namespace corvan::ui {

// The focus shows on the current entry, selected or not, in a colour that stands out from
// the entry's background; on the whole list while it has no current entry.
void ListBox::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(viewport());
    const QListWidgetItem* current = currentItem();
    if (current == nullptr) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(viewport()->rect().adjusted(1, 1, -2, -2));
        return;
    }
    const QPalette::ColorRole role =
        current->isSelected() ? QPalette::HighlightedText : QPalette::Text;
    painter.setPen(QPen(palette().color(role), 1, Qt::DotLine));
    painter.drawRect(visualItemRect(current).adjusted(0, 0, -1, -1));
}

}  // namespace corvan::ui
