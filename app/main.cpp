#include "platform/Environment.h"
#include "platform/PosixDirectories.h"
#include "platform/PosixFileSystem.h"
#include "platform/TerminationSignals.h"
#include "soundtrack/OriginalsStore.h"
#include "ui/controls/Volumes.h"
#include "ui/tools/ToolWindowFactory.h"
#include "ui/windows/ApplicationFont.h"
#include "ui/windows/DebugSwitch.h"
#include "ui/windows/QtUserInterface.h"
#include "ui/windows/frmMain.h"

#include <QApplication>
#include <QSocketNotifier>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Caught from the start: a session that logs out (SIGHUP, SIGTERM) must not find a
    // half-written track. A conversion under way notices it between chunks and puts the
    // files back; the program then ends as the signal asked.
    corvan::platform::TerminationSignals stopSignals;
    const auto quitForSignal = [&stopSignals] {
        QCoreApplication::exit(128 + stopSignals.received());
    };

    // The debug switch looks at the arguments as given, before Qt takes out its own.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // Answered before any window is made, so they need no desktop.
    switch (corvan::ui::startupRequestFromArguments(arguments)) {
        case corvan::ui::StartupRequest::PrintVersion:
            std::cout << corvan::ui::versionText() << std::flush;
            return std::cout ? 0 : 1;
        case corvan::ui::StartupRequest::PrintHelp:
            std::cout << corvan::ui::helpText() << std::flush;
            return std::cout ? 0 : 1;
        case corvan::ui::StartupRequest::Run:
            break;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvan"));
    corvan::ui::useLayoutFont();

    // Wakes the event loop, also the one of a message box; a new loop started after the exit
    // returns at once, so whatever is under way finishes without waiting for the user.
    std::unique_ptr<QSocketNotifier> wakeup;
    if (stopSignals.wakeupDescriptor() >= 0) {
        wakeup = std::make_unique<QSocketNotifier>(stopSignals.wakeupDescriptor(),
                                                   QSocketNotifier::Read);
        QObject::connect(wakeup.get(), &QSocketNotifier::activated, quitForSignal);
    }
    if (stopSignals.received() != 0) return 128 + stopSignals.received();

    corvan::platform::PosixFileSystem files(stopSignals);
    corvan::ui::QtUserInterface user;
    corvan::platform::PosixDirectories directories;
    corvan::ui::VolumeTable volumes = corvan::ui::VolumeTable::fromSystem(directories);
    corvan::ui::ToolWindowFactory tools;
    // The game's own tracks are kept under the desktop's data folder.
    using corvan::platform::environmentVariable;
    const std::string home = environmentVariable("HOME").value_or("");
    const std::string dataHome =
        environmentVariable("XDG_DATA_HOME")
            .value_or(home.empty() ? std::string() : home + "/.local/share");
    corvan::soundtrack::OriginalsStore originals(
        dataHome.empty() ? std::string() : corvan::soundtrack::OriginalsStore::rootIn(dataHome));
    corvan::ui::frmMain main(
        corvan::ui::Services{files, directories, user, volumes, directories.programDirectory(),
                             [] { QCoreApplication::exit(0); }, &tools, &originals},
        arguments);
    main.show();
    main.activateWindow();  // also where no window manager gives new windows the focus
    const int status = app.exec();
    return stopSignals.received() != 0 ? 128 + stopSignals.received() : status;
}
