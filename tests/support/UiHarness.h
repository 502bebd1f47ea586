#pragma once

#include "platform/PosixFileSystem.h"
#include "support/Fakes.h"
#include "support/FaultyDirectories.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"
#include "support/UiFixture.h"
#include "ui/controls/DirectoryList.h"
#include "ui/controls/DriveList.h"
#include "ui/controls/FileList.h"
#include "ui/controls/HorizontalScrollBar.h"
#include "ui/windows/frmMain.h"

#include <QAction>
#include <QRadioButton>

#include <filesystem>
#include <memory>

namespace corvan::test {

// A main window on test volumes, with recorders for what the user is shown and for the
// end of the program, and a file layer that can be made to fail.
class MainWindowHarness {
public:
    MainWindowHarness(const std::string& workingDirectory, std::vector<std::string> extraVolumes,
                      const std::string& applicationDirectory,
                      const std::vector<std::string>& arguments = {})
        : volumes(testVolumes(extraVolumes, workingDirectory)),
          main(std::make_unique<ui::frmMain>(
              ui::Services{files, directories, user, volumes, applicationDirectory,
                           [this] { ++programEnds; }, nullptr},
              arguments)) {}

    template <typename T>
    T* find(const char* name) const {
        return partOf<T>(main.get(), name);
    }
    ui::DriveList* srcDrive() const { return find<ui::DriveList>("srcDrive"); }
    ui::DirectoryList* srcDir() const { return find<ui::DirectoryList>("srcDir"); }
    ui::FileList* srcFile() const { return find<ui::FileList>("srcFile"); }
    QRadioButton* playOnce() const { return find<QRadioButton>("playOnce"); }
    QRadioButton* playLoop() const { return find<QRadioButton>("playLoop"); }
    ui::HorizontalScrollBar* scrStart() const { return find<ui::HorizontalScrollBar>("scrStart"); }
    ui::HorizontalScrollBar* scrEnd() const { return find<ui::HorizontalScrollBar>("scrEnd"); }
    QAction* mnuSave() const { return find<QAction>("mnuSave"); }
    QAction* mnuExit() const { return find<QAction>("mnuExit"); }
    QAction* mnuAbout() const { return find<QAction>("mnuAbout"); }

    platform::PosixFileSystem posix;
    FaultyFileSystem files{posix};
    FaultyDirectories directories;
    FakeUserInterface user;
    ui::VolumeTable volumes;
    int programEnds = 0;
    std::unique_ptr<ui::frmMain> main;
};

}  // namespace corvan::test
