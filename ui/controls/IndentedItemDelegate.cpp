#include "IndentedItemDelegate.h"

namespace corvan::ui {

IndentedItemDelegate::IndentedItemDelegate(int depthRole, int step, QObject* parent)
    : QStyledItemDelegate(parent), depthRole_(depthRole), step_(step) {}

int IndentedItemDelegate::indentOf(const QModelIndex& index) const {
    return index.data(depthRole_).toInt() * step_;
}

void IndentedItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QStyleOptionViewItem moved(option);
    moved.rect.setLeft(moved.rect.left() + indentOf(index));
    QStyledItemDelegate::paint(painter, moved, index);
}

QSize IndentedItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    return QStyledItemDelegate::sizeHint(option, index) + QSize(indentOf(index), 0);
}

}  // namespace corvan::ui
