#include "HorizontalScrollBar.h"

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
