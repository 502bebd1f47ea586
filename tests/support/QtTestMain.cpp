// The test programs for windows and widgets need one QApplication for all their tests.
#include "ui/windows/ApplicationFont.h"

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Headless unless told otherwise, also when CTest lists the tests at build time.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvan"));
    corvan::ui::useLayoutFont();
    return RUN_ALL_TESTS();
}
