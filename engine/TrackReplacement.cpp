#include "TrackReplacement.h"

#include <cerrno>

namespace corvan {

namespace {

using Outcome = ReplacementResult::Outcome;

bool isMissing(const std::error_code& reason) {
    return reason == std::errc::no_such_file_or_directory;
}

// Removes what a failed conversion left under `target`, if anything.
std::optional<FileStepError> removePartial(platform::FileSystem& files, const std::string& target) {
    const std::error_code reason = files.removeFile(target);
    if (reason && !isMissing(reason)) return FileStepError{target, "delete", reason};
    return std::nullopt;
}

}  // namespace

ReplacementResult replaceTrack(ImcBuilder& builder, platform::FileSystem& files,
                               UserInterface& user, const std::string& source,
                               const std::string& target, OriginalTrack original) {
    bool backedUp = true;
    if (original == OriginalTrack::Required) {
        if (auto error = makeBackup(files, target)) return {Outcome::BackupFailed, error};
    } else if (const std::error_code reason = files.renameFile(target, backupPathOf(target))) {
        // The rename itself says whether there was a file: an existence test that failed
        // must not let the conversion empty an original it did not see. The rename
        // replaces an older backup in one step.
        if (!isMissing(reason)) {
            return {Outcome::BackupFailed,
                    FileStepError{target, "rename to " + backupPathOf(target), reason}};
        }
        backedUp = false;
    }

    user.setMousePointer(MousePointer::Hourglass);
    if (builder.convertWav(source, target)) return {Outcome::Converted, std::nullopt};

    std::optional<FileStepError> error =
        backedUp ? restoreBackup(files, target) : removePartial(files, target);
    return {Outcome::ConversionFailed, error};
}

}  // namespace corvan
