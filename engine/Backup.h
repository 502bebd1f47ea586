#pragma once

#include "platform/FileSystem.h"

#include <optional>
#include <string>
#include <system_error>

namespace corvan {

// A file step that failed: which file, what was done to it and the system's reason.
struct FileStepError {
    std::string path;
    std::string operation;  // "delete" or "rename to <path>"
    std::error_code reason;

    std::string describe() const;
};

// The name a replaced file is kept under: its whole name with ".bak" appended.
std::string backupPathOf(const std::string& path);

// Gives `path` its backup name, deleting an older backup of that name first. Returns the
// step that failed; nothing further is done after it.
std::optional<FileStepError> makeBackup(platform::FileSystem& files, const std::string& path);

// Gives `path` its backup name if there is a file of that name, in one rename that also
// replaces an older backup; the rename itself tells whether there was one, so a failed
// existence test cannot hide an original. Without one, an older backup is left alone and
// `backedUp` is false.
std::optional<FileStepError> makeBackupIfPresent(platform::FileSystem& files,
                                                 const std::string& path, bool& backedUp);

// Deletes `path` if there is a file of that name.
std::optional<FileStepError> removeIfThere(platform::FileSystem& files, const std::string& path);

// Puts the file kept under the backup name back under `path`, replacing whatever a failed
// conversion left there. If that fails, the file left under `path` is deleted, so the
// original is found under its backup name and nothing broken in its place.
std::optional<FileStepError> restoreBackup(platform::FileSystem& files, const std::string& path);

}  // namespace corvan
