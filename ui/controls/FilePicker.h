#pragma once

#include "ui/controls/DirectoryList.h"
#include "ui/controls/DriveList.h"
#include "ui/controls/FileList.h"

#include <functional>
#include <string>

namespace corvan::ui {

// The drive, directory and file lists with which a window picks a file, wired to the
// window's own change handlers. Both the main window and the save dialog are built on one.
class FilePicker {
public:
    struct Names {
        const char* drive;
        const char* directory;
        const char* file;
    };
    // The window's handlers, run by the lists as their plain callbacks.
    struct Handlers {
        std::function<void()> driveChange;
        std::function<void()> directoryChange;
        std::function<void()> fileClick;
        ReadErrorHandler readError;
    };

    FilePicker(QWidget* parent, VolumeTable& volumes, platform::Directories& directories,
               const std::string& pattern, Names names, Handlers handlers);

    // The step both windows take once the directory list has moved: the drive list names
    // the directory's volume and the file list shows the directory afresh, nothing chosen.
    void showFilesOf(const std::string& directory);

    // Moves the three lists to the nearest readable directory above `unreadable`, and
    // returns it.
    std::string showReadableAbove(const std::string& unreadable);

    DriveList* const drive;
    DirectoryList* const directory;
    FileList* const file;

private:
    VolumeTable& volumes_;
    platform::Directories& directories_;
};

}  // namespace corvan::ui
