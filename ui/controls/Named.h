#pragma once

#include <QString>

namespace corvan::ui {

// Gives a control its name, by which the tests and the end-to-end run find it.
template <typename Widget>
Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace corvan::ui
