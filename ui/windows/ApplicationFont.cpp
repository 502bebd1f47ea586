#include "ApplicationFont.h"

#include <QApplication>
#include <QFont>

namespace corvan::ui {

void useLayoutFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(10);
    QApplication::setFont(font);
}

}  // namespace corvan::ui
