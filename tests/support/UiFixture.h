#pragma once

#include "support/Fakes.h"
#include "support/TempDir.h"
#include "ui/controls/Volumes.h"
#include "ui/windows/Services.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QWidget>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvan::test {

// Waits until `window` is the application's active window and has had its activation
// event. (A dialog counts as active while its parent is, so isActiveWindow() is no proof.)
inline bool waitUntilActive(QWidget* window) {
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

// A window shown and made the active window, as the user would find it.
inline bool showActive(QWidget* window) {
    window->show();
    window->activateWindow();
    return waitUntilActive(window);
}

// Whether a message box of Qt's own is open, which no recorder of ours would see.
inline bool anyMessageBox() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(window) != nullptr) return true;
    }
    return false;
}

// The part of `window` named `name`, of type T.
template <typename T = QLabel>
T* partOf(const QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) throw std::runtime_error(std::string("no part ") + name);
    return found;
}

// Lets windows closed through their frame actually go.
inline void deleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Volumes for tests: the root, then one volume per directory named here, which need not
// exist (a volume that cannot be read).
inline ui::VolumeTable testVolumes(const std::vector<std::string>& mountPoints,
                                   const std::string& workingDirectory) {
    std::vector<ui::Volume> volumes{{"/", "/ [root]"}};
    for (const std::string& mount : mountPoints) {
        volumes.push_back({mount, mount + " [test]"});
    }
    return ui::VolumeTable(volumes, workingDirectory);
}

}  // namespace corvan::test
