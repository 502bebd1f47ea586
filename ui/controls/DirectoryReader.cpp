#include "DirectoryReader.h"

#include "ui/controls/Paths.h"

#include <strings.h>

#include <algorithm>

namespace corvan::ui {

DirectoryError::DirectoryError(std::string path, std::error_code reason)
    : std::runtime_error(path + ": " + reason.message()), path_(std::move(path)), reason_(reason) {}

namespace {

template <typename Keep>
std::vector<std::string> readEntries(platform::Directories& directories,
                                     const std::string& directory, Keep keep) {
    std::vector<platform::DirectoryEntry> entries;
    if (const std::error_code error = directories.list(directory, entries)) {
        throw DirectoryError(directory, error);
    }
    std::vector<std::string> names;
    for (const platform::DirectoryEntry& entry : entries) {
        if (keep(entry)) names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int folded = strcasecmp(a.c_str(), b.c_str());
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

}  // namespace

std::vector<std::string> readSubdirectories(platform::Directories& directories,
                                            const std::string& directory) {
    return readEntries(directories, directory, [](const platform::DirectoryEntry& entry) {
        return entry.kind == platform::EntryKind::Directory;
    });
}

std::vector<std::string> readMatchingFiles(platform::Directories& directories,
                                           const std::string& directory,
                                           const std::string& pattern) {
    return readEntries(directories, directory, [&pattern](const platform::DirectoryEntry& entry) {
        return entry.kind == platform::EntryKind::RegularFile && entry.name.front() != '.' &&
               platform::matchesPattern(entry.name, pattern);
    });
}

std::string nearestReadableDirectory(platform::Directories& directories,
                                     const std::string& directory) {
    std::vector<platform::DirectoryEntry> entries;
    std::string candidate = normalPath(directory);
    while (!isRootDirectory(candidate) && directories.list(candidate, entries)) {
        candidate = normalPath(candidate + "/..");
    }
    return candidate;
}

}  // namespace corvan::ui
