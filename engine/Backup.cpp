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

bool isMissing(const std::error_code& reason) {
    return reason == std::errc::no_such_file_or_directory;
}

std::optional<FileStepError> rename(platform::FileSystem& files, const std::string& from,
                                    const std::string& to) {
    if (const std::error_code error = files.renameFile(from, to)) {
        return FileStepError{from, "rename to " + to, error};
    }
    return std::nullopt;
}

}  // namespace

std::optional<FileStepError> makeBackupIfPresent(platform::FileSystem& files,
                                                 const std::string& path, bool& backedUp) {
    auto error = rename(files, path, backupPathOf(path));
    backedUp = !error;
    if (error && isMissing(error->reason)) error.reset();
    return error;
}

std::optional<FileStepError> removeIfThere(platform::FileSystem& files, const std::string& path) {
    const std::error_code reason = files.removeFile(path);
    if (reason && !isMissing(reason)) return FileStepError{path, "delete", reason};
    return std::nullopt;
}

std::optional<FileStepError> makeBackup(platform::FileSystem& files, const std::string& path) {
    const std::string backup = backupPathOf(path);
    if (auto error = removeIfPresent(files, backup)) return error;
    return rename(files, path, backup);
}

std::optional<FileStepError> restoreBackup(platform::FileSystem& files, const std::string& path) {
    // The rename replaces the partial file in one step, so there is no moment without a
    // file under the name, and no earlier step that could fail and leave the partial one.
    auto error = rename(files, backupPathOf(path), path);
    // The original stays under its backup name; a broken file must not take its place.
    if (error && removeIfThere(files, path)) {
        error->operation += " (and the partial file could not be deleted either)";
    }
    return error;
}

}  // namespace corvan
