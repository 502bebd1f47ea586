#pragma once

#include <QGroupBox>

namespace corvan::ui {

// A frame as the classic desktop draws one: an etched border whose top line runs through
// the middle of the caption, so the caption and the border keep to the top edge and clear
// the controls placed below them.
class Frame : public QGroupBox {
    Q_OBJECT

public:
    Frame(const QString& caption, QWidget* parent);

    // Where the border and the caption are drawn, in the frame's coordinates.
    QRect borderRect() const;
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace corvan::ui
