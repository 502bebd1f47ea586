#pragma once

#include "platform/FileSystem.h"

#include <optional>
#include <string>
#include <system_error>

namespace corvan {

// A file step that failed or was refused: which file, what was to be done to it and why,
// the system's reason or, where there is none, an explanation of our own.
struct FileStepError {
    std::string path;
    std::string operation;  // "delete", "rename to <path>", "replace it", ...
    std::error_code reason;
    std::string explanation = {};

    std::string describe() const;
};

// The name a replaced file is kept under: its whole name with ".bak" appended.
std::string backupPathOf(const std::string& path);

// Gives `path` its backup name. An older backup of that name is not deleted but moved
// aside under a unique name in the same folder (`aside`, empty when there was none), so
// that a failed conversion can put it back; a failed step puts back what was moved.
std::optional<FileStepError> makeBackup(platform::FileSystem& files, const std::string& path,
                                        std::string& aside);

// Deletes `path` if there is a file of that name.
std::optional<FileStepError> removeIfThere(platform::FileSystem& files, const std::string& path);

// Puts the file kept under the backup name back under `path`, replacing whatever a failed
// conversion left there, and the older backup moved `aside` back under the backup name. If
// the first rename fails, the file left under `path` is deleted, so the original is found
// under its backup name and nothing broken in its place; the older backup then stays aside.
std::optional<FileStepError> restoreBackup(platform::FileSystem& files, const std::string& path,
                                           const std::string& aside);

// Deletes the older backup moved `aside` once the new file is complete; nothing if none.
std::optional<FileStepError> dropAside(platform::FileSystem& files, const std::string& aside);

}  // namespace corvan
