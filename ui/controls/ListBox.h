#pragma once

#include <QListWidget>

namespace corvan::ui {

// A list of names whose entries show their whole name as a tooltip, since a long name is
// cut off at the list's fixed width. It shows the focus on its current entry, selected or not,
// and on itself when it has no entry to mark.
class ListBox : public QListWidget {
    Q_OBJECT

public:
    using QListWidget::QListWidget;

protected:
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // What the tooltip of an entry says; by default its text.
    virtual QString toolTipFor(const QListWidgetItem& item) const;
};

}  // namespace corvan::ui
