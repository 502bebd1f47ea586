#include "Volumes.h"

#include "ui/controls/Paths.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace corvan::ui {

namespace {

// File systems that the kernel makes up or keeps in memory: nothing a user keeps files on.
constexpr std::array<std::string_view, 26> kPseudoTypes = {
    "autofs",      "binfmt_misc", "bpf",      "cgroup",   "cgroup2", "configfs",
    "debugfs",     "devpts",      "devtmpfs", "efivarfs", "fusectl", "hugetlbfs",
    "mqueue",      "nsfs",        "proc",     "pstore",   "ramfs",   "rpc_pipefs",
    "securityfs",  "selinuxfs",   "sysfs",    "tmpfs",    "tracefs", "fuse.gvfsd-fuse",
    "fuse.portal", "squashfs"};

bool isPseudo(const std::string& type) {
    return std::find(kPseudoTypes.begin(), kPseudoTypes.end(), type) != kPseudoTypes.end();
}

std::string driveTextOf(const platform::MountEntry& mount, const std::string& mountPoint) {
    std::string name = mount.type;
    if (mount.source.rfind("/dev/", 0) == 0) name = lastComponent(normalPath(mount.source));
    return mountPoint + " [" + name + "]";
}

}  // namespace

std::vector<Volume> volumesFromMounts(const std::vector<platform::MountEntry>& mounts,
                                      const std::function<bool(const std::string&)>& isDirectory) {
    std::vector<Volume> volumes{{"/", "/ [root]"}};
    for (const platform::MountEntry& mount : mounts) {
        if (mount.mountPoint.empty() || mount.mountPoint.front() != '/') continue;
        const std::string mountPoint = normalPath(mount.mountPoint);
        if (mountPoint == "/") {
            // Later mounts over the root hide the earlier ones; the last one names it.
            volumes.front().driveText = driveTextOf(mount, mountPoint);
            continue;
        }
        if (isPseudo(mount.type) || !isDirectory(mountPoint)) continue;
        const auto same = std::find_if(volumes.begin(), volumes.end(),
                                       [&](const Volume& v) { return v.mountPoint == mountPoint; });
        if (same != volumes.end()) {
            same->driveText = driveTextOf(mount, mountPoint);
        } else {
            volumes.push_back({mountPoint, driveTextOf(mount, mountPoint)});
        }
    }
    std::sort(volumes.begin() + 1, volumes.end(),
              [](const Volume& a, const Volume& b) { return a.mountPoint < b.mountPoint; });
    return volumes;
}

VolumeTable::VolumeTable(std::vector<Volume> volumes, const std::string& workingDirectory)
    : volumes_(std::move(volumes)), workingDirectory_(normalPath(workingDirectory)) {
    if (volumes_.empty() || volumes_.front().mountPoint != "/") {
        volumes_.insert(volumes_.begin(), Volume{"/", "/ [root]"});
    }
    for (const Volume& volume : volumes_) current_.push_back(volume.mountPoint);
    noteShown(workingDirectory_);
}

VolumeTable VolumeTable::fromSystem(platform::Directories& directories) {
    return VolumeTable(
        volumesFromMounts(platform::parseMountTable(directories.mountTable()),
                          [&](const std::string& path) { return directories.isDirectory(path); }),
        directories.workingDirectory());
}

std::size_t VolumeTable::volumeOf(const std::string& path) const {
    const std::string normal = normalPath(path, workingDirectory_);
    std::size_t best = rootIndex();
    for (std::size_t i = 0; i < volumes_.size(); ++i) {
        const std::string& mount = volumes_[i].mountPoint;
        const bool inside = normal == mount || normal.rfind(withSeparator(mount), 0) == 0;
        if (inside && mount.size() > volumes_[best].mountPoint.size()) best = i;
    }
    return best;
}

std::vector<std::string> VolumeTable::pathFromVolumeRoot(const std::string& directory) const {
    const std::string& mount = volumes_[volumeOf(directory)].mountPoint;
    std::vector<std::string> chain = pathFromRoot(directory);
    const auto top = std::find(chain.begin(), chain.end(), mount);
    chain.erase(chain.begin(), top == chain.end() ? chain.begin() : top);
    return chain;
}

std::size_t VolumeTable::findDriveText(const std::string& text) const {
    const auto found = std::find_if(volumes_.begin(), volumes_.end(),
                                    [&](const Volume& v) { return v.driveText == text; });
    return static_cast<std::size_t>(found - volumes_.begin());
}

std::string VolumeTable::resolve(const std::string& driveTextOrPath) const {
    const std::size_t volume = findDriveText(driveTextOrPath);
    if (volume < volumes_.size()) return current_[volume];
    return normalPath(driveTextOrPath, workingDirectory_);
}

const std::string& VolumeTable::currentDirectory(std::size_t volume) const {
    return current_.at(volume);
}

void VolumeTable::noteShown(const std::string& directory) {
    current_[volumeOf(directory)] = directory;
}

}  // namespace corvan::ui
