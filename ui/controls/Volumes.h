#pragma once

#include "platform/Directories.h"
#include "platform/MountTable.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace corvan::ui {

// One mounted file system as the drive lists offer it.
struct Volume {
    std::string mountPoint;  // a normal path; "/" for the root volume
    std::string driveText;   // what a drive list shows, e.g. "/ [vda]"
};

// The volumes worth offering: real file systems whose mount point is a directory, the
// root first and always present, each mount point once.
std::vector<Volume> volumesFromMounts(const std::vector<platform::MountEntry>& mounts,
                                      const std::function<bool(const std::string&)>& isDirectory);

// The machine's volumes and the current directory of each, shared by every list of the
// run: a volume's current directory is the directory last shown on it, at first the
// working directory on its own volume and the mount point on the others.
class VolumeTable {
public:
    // `workingDirectory` must be absolute.
    VolumeTable(std::vector<Volume> volumes, const std::string& workingDirectory);

    // The machine's mounted volumes and the process's working directory.
    static VolumeTable fromSystem(platform::Directories& directories);

    const std::vector<Volume>& volumes() const { return volumes_; }
    // Where the lists start: the working directory at start-up.
    const std::string& workingDirectory() const { return workingDirectory_; }
    std::size_t rootIndex() const { return 0; }

    // The volume that holds `path` (the longest mount point above it).
    std::size_t volumeOf(const std::string& path) const;
    // The volume whose drive text is `text`, or volumes().size() if there is none.
    std::size_t findDriveText(const std::string& text) const;

    // The directories from the mount point of the volume that holds `directory` (a normal
    // path) down to `directory` itself.
    std::vector<std::string> pathFromVolumeRoot(const std::string& directory) const;

    // A drive text stands for its volume's current directory; anything else is a path.
    std::string resolve(const std::string& driveTextOrPath) const;

    const std::string& currentDirectory(std::size_t volume) const;
    void noteShown(const std::string& directory);

private:
    std::vector<Volume> volumes_;
    std::vector<std::string> current_;
    std::string workingDirectory_;
};

}  // namespace corvan::ui
