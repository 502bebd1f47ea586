#include "FilePicker.h"

#include "ui/controls/Named.h"

namespace corvan::ui {

FilePicker::FilePicker(QWidget* parent, VolumeTable& volumes, platform::Directories& directories,
                       const std::string& pattern, Names names, Handlers handlers)
    : drive(named(new DriveList(volumes, parent), names.drive)),
      directory(named(new DirectoryList(volumes, directories, parent), names.directory)),
      file(named(new FileList(volumes, directories, pattern, parent), names.file)),
      volumes_(volumes),
      directories_(directories) {
    drive->onChange = std::move(handlers.driveChange);
    directory->onChange = std::move(handlers.directoryChange);
    file->onClick = std::move(handlers.fileClick);
    drive->onReadError = handlers.readError;
    directory->onReadError = handlers.readError;
    file->onReadError = handlers.readError;
}

void FilePicker::showFilesOf(const std::string& shown) {
    drive->follow(shown);
    file->setPath(shown);
    file->refresh();
}

std::string FilePicker::showReadableAbove(const std::string& unreadable) {
    const std::string place = nearestReadableDirectory(directories_, unreadable);
    volumes_.noteShown(place);
    try {
        drive->follow(place);
        directory->setPath(place);
        file->setPath(place);
    } catch (const DirectoryError&) {
        // Not even that can be read; the failure that led here has been reported.
    }
    return place;
}

}  // namespace corvan::ui
