#pragma once

#include <QStyledItemDelegate>

namespace corvan::ui {

// Draws each entry moved right by its depth, given in `depthRole`, so that a list can show
// a path as steps without putting blanks into the names (which would defeat typing a
// name's first letters to find it).
class IndentedItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    IndentedItemDelegate(int depthRole, int step, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    int indentOf(const QModelIndex& index) const;

private:
    int depthRole_;
    int step_;
};

}  // namespace corvan::ui
