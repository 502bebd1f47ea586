#pragma once

#include <QWidget>

namespace corvan::ui {

// The windows' layout is fixed in twips (1/1440 inch); at 96 dots per inch a pixel is 15.
constexpr int twips(int value) {
    return value / 15;
}

inline void placeInTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

}  // namespace corvan::ui
