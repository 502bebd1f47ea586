#include "DirectoryReader.h"

#include "Paths.h"

#include <dirent.h>
#include <fnmatch.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace corvan::ui {

DirectoryError::DirectoryError(std::string path, std::error_code reason)
    : std::runtime_error(path + ": " + reason.message()), path_(std::move(path)), reason_(reason) {}

namespace {

enum class EntryKind { Directory, RegularFile, Other };

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

template <typename Keep>
std::vector<std::string> readEntries(const std::string& directory, Keep keep) {
    DIR* stream = opendir(directory.c_str());
    if (stream == nullptr) throw DirectoryError(directory, {errno, std::generic_category()});
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = readdir(stream)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != ".." && keep(name, kindOf(dirfd(stream), *entry))) {
            names.emplace_back(name);
        }
        errno = 0;
    }
    const int readError = errno;
    closedir(stream);
    if (readError != 0) throw DirectoryError(directory, {readError, std::generic_category()});
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int folded = strcasecmp(a.c_str(), b.c_str());
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

}  // namespace

std::vector<std::string> readSubdirectories(const std::string& directory) {
    return readEntries(
        directory, [](std::string_view, EntryKind kind) { return kind == EntryKind::Directory; });
}

std::vector<std::string> readMatchingFiles(const std::string& directory,
                                           const std::string& pattern) {
    return readEntries(directory, [&pattern](std::string_view name, EntryKind kind) {
        return kind == EntryKind::RegularFile && name.front() != '.' &&
               matchesPattern(std::string(name), pattern);
    });
}

std::string nearestReadableDirectory(const std::string& directory) {
    std::string candidate = normalPath(directory);
    while (!isRootDirectory(candidate)) {
        if (DIR* stream = opendir(candidate.c_str())) {
            closedir(stream);
            return candidate;
        }
        candidate = normalPath(candidate + "/..");
    }
    return candidate;
}

bool matchesPattern(const std::string& name, const std::string& pattern) {
    return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

}  // namespace corvan::ui
