#include "PosixDirectories.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <fstream>
#include <sstream>

namespace corvan::platform {

namespace {

// The directory entry's own type where the file system reports it, so that listing a
// large directory needs no stat per file; links and unknown types are looked up.
EntryKind kindOf(int directoryFd, const dirent& entry) {
    switch (entry.d_type) {
        case DT_DIR:
            return EntryKind::Directory;
        case DT_REG:
            return EntryKind::RegularFile;
        case DT_LNK:
        case DT_UNKNOWN:
            break;
        default:
            return EntryKind::Other;
    }
    struct stat status {};
    if (fstatat(directoryFd, entry.d_name, &status, 0) != 0) return EntryKind::Other;
    if (S_ISDIR(status.st_mode)) return EntryKind::Directory;
    if (S_ISREG(status.st_mode)) return EntryKind::RegularFile;
    return EntryKind::Other;
}

}  // namespace

std::error_code PosixDirectories::list(const std::string& directory,
                                       std::vector<DirectoryEntry>& entries) {
    entries.clear();
    DIR* stream = opendir(directory.c_str());
    if (stream == nullptr) return {errno, std::generic_category()};
    errno = 0;
    while (const dirent* entry = readdir(stream)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            entries.push_back({std::string(name), kindOf(dirfd(stream), *entry)});
        }
        errno = 0;
    }
    const int readError = errno;
    closedir(stream);
    if (readError != 0) {
        entries.clear();
        return {readError, std::generic_category()};
    }
    return {};
}

bool PosixDirectories::isDirectory(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string PosixDirectories::mountTable() {
    std::ifstream file("/proc/self/mounts");
    std::stringstream table;
    table << file.rdbuf();
    return table.str();
}

std::string PosixDirectories::workingDirectory() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "/";
}

std::string PosixDirectories::programDirectory() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return workingDirectory();
    std::string program(buffer, static_cast<std::size_t>(length));
    const std::size_t slash = program.rfind('/');
    return slash == 0 ? "/" : program.substr(0, slash);
}

bool matchesPattern(const std::string& name, const std::string& pattern) {
    return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

}  // namespace corvan::platform
