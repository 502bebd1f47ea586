#include "Backup.h"

namespace corvan {

std::string FileStepError::describe() const {
    return path + ": cannot " + operation + ": " + reason.message();
}

std::string backupPathOf(const std::string& path) {
    return path + ".bak";
}

namespace {

std::optional<FileStepError> removeIfPresent(platform::FileSystem& files, const std::string& path) {
    if (!files.fileExists(path)) return std::nullopt;
    if (const std::error_code error = files.removeFile(path)) {
        return FileStepError{path, "delete", error};
    }
    return std::nullopt;
}

std::optional<FileStepError> rename(platform::FileSystem& files, const std::string& from,
                                    const std::string& to) {
    if (const std::error_code error = files.renameFile(from, to)) {
        return FileStepError{from, "rename to " + to, error};
    }
    return std::nullopt;
}

}  // namespace

std::optional<FileStepError> makeBackup(platform::FileSystem& files, const std::string& path) {
    const std::string backup = backupPathOf(path);
    if (auto error = removeIfPresent(files, backup)) return error;
    return rename(files, path, backup);
}

std::optional<FileStepError> restoreBackup(platform::FileSystem& files, const std::string& path) {
    if (auto error = removeIfPresent(files, path)) return error;
    return rename(files, backupPathOf(path), path);
}

}  // namespace corvan
