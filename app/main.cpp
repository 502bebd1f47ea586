#include "platform/PosixDirectories.h"
#include "platform/PosixFileSystem.h"
#include "ui/ApplicationFont.h"
#include "ui/QtUserInterface.h"
#include "ui/Volumes.h"
#include "ui/frmMain.h"

#include <QApplication>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    // The debug switch looks at the arguments as given, before Qt takes out its own.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvan"));
    corvan::ui::useLayoutFont();

    corvan::platform::PosixFileSystem files;
    corvan::ui::QtUserInterface user;
    corvan::platform::PosixDirectories directories;
    corvan::ui::VolumeTable volumes = corvan::ui::VolumeTable::fromSystem(directories);
    corvan::ui::frmMain main(
        corvan::ui::Services{files, directories, user, volumes, directories.programDirectory(),
                             [] { QCoreApplication::exit(0); }},
        arguments);
    main.show();
    main.activateWindow();  // also where no window manager gives new windows the focus
    return app.exec();
}
