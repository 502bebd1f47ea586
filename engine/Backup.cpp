#include "Backup.h"

namespace corvan {

std::string FileStepError::describe() const {
    return path + ": cannot " + operation + ": " +
           (explanation.empty() ? reason.message() : explanation);
}

std::string backupPathOf(const std::string& path) {
    return path + ".bak";
}

namespace {

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

// The rename replaces the empty file that reserved the name, so it never replaces a file
// that somebody else made.
std::optional<FileStepError> moveAside(platform::FileSystem& files, const std::string& path,
                                       std::string& aside) {
    std::string reserved;
    if (const std::error_code error = files.makeUniqueFile(path + ".old-", reserved)) {
        return FileStepError{path, "make a temporary file beside it", error};
    }
    if (auto error = rename(files, path, reserved)) {
        files.removeFile(reserved);
        return error;
    }
    aside = reserved;
    return std::nullopt;
}

void noteKeptAside(FileStepError& error, const std::string& aside) {
    if (!aside.empty()) error.operation += " (the older backup is kept as " + aside + ")";
}

}  // namespace

std::optional<FileStepError> makeBackup(platform::FileSystem& files, const std::string& path,
                                        std::string& aside) {
    const std::string backup = backupPathOf(path);
    aside.clear();
    if (files.fileExists(backup)) {
        if (auto error = moveAside(files, backup, aside)) return error;
    }
    auto error = rename(files, path, backup);
    if (error && !aside.empty()) {
        if (rename(files, aside, backup)) {
            noteKeptAside(*error, aside);
        } else {
            aside.clear();
        }
    }
    return error;
}

std::optional<FileStepError> removeIfThere(platform::FileSystem& files, const std::string& path) {
    const std::error_code reason = files.removeFile(path);
    if (reason && !isMissing(reason)) return FileStepError{path, "delete", reason};
    return std::nullopt;
}

std::optional<FileStepError> restoreBackup(platform::FileSystem& files, const std::string& path,
                                           const std::string& aside) {
    // The rename replaces the partial file in one step, so there is no moment without a
    // file under the name, and no earlier step that could fail and leave the partial one.
    auto error = rename(files, backupPathOf(path), path);
    if (error) {
        // The original stays under its backup name; a broken file must not take its place.
        if (removeIfThere(files, path)) {
            error->operation += " (and the partial file could not be deleted either)";
        }
        noteKeptAside(*error, aside);
        return error;
    }
    if (aside.empty()) return std::nullopt;
    return rename(files, aside, backupPathOf(path));
}

std::optional<FileStepError> dropAside(platform::FileSystem& files, const std::string& aside) {
    if (aside.empty()) return std::nullopt;
    if (const std::error_code error = files.removeFile(aside)) {
        return FileStepError{aside, "delete", error};
    }
    return std::nullopt;
}

}  // namespace corvan
