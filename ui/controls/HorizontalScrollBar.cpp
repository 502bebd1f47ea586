#include "HorizontalScrollBar.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace corvan::ui {

HorizontalScrollBar::HorizontalScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
    setRange(0, kMax);
    setSingleStep(1);
    setPageStep(1);
    // Without tracking the value, and so Change, follows a dragged thumb only on release.
    setTracking(false);
    // Qt's scroll bars invert the arrow keys; here Left lowers the value, as on the arrows.
    setInvertedControls(false);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QScrollBar::valueChanged, this, [this] {
        if (onChange) onChange();
    });
}

}  // namespace corvan::ui

namespace corvan::ui {

// The style draws no focus on a scroll bar, so the keyboard's place would be invisible:
// the thumb carries a focus rectangle while the bar has the focus.
void HorizontalScrollBar::paintEvent(QPaintEvent* event) {
    QScrollBar::paintEvent(event);
    if (!hasFocus()) return;
    QStyleOptionSlider slider;
    initStyleOption(&slider);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect =
        style()
            ->subControlRect(QStyle::CC_ScrollBar, &slider, QStyle::SC_ScrollBarSlider, this)
            .adjusted(2, 2, -2, -2);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

}  // namespace corvan::ui
