#include "TrackReplacement.h"

namespace corvan {

using Outcome = ReplacementResult::Outcome;
using platform::FileKind;

namespace {

// Why `target` must not be replaced by the conversion of `source`, if it must not.
std::optional<FileStepError> refusal(platform::FileSystem& files, const std::string& source,
                                     const std::string& target,
                                     const platform::FileStatus& status) {
    switch (status.kind) {
        case FileKind::Directory:
            return FileStepError{target, "replace it",
                                 std::make_error_code(std::errc::is_a_directory)};
        case FileKind::Other:
            return FileStepError{target, "replace it", {}, "it is not a regular file"};
        case FileKind::Regular: {
            // Renaming the target would take the source away from the conversion.
            const platform::FileStatus from = files.status(source);
            if (from.kind == FileKind::Regular && from.device == status.device &&
                from.inode == status.inode) {
                return FileStepError{target, "replace it", {}, "it is the source file itself"};
            }
            return std::nullopt;
        }
        case FileKind::Missing:
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

ReplacementResult replaceTrack(ImcBuilder& builder, platform::FileSystem& files,
                               UserInterface& user, const std::string& source,
                               const std::string& target, OriginalTrack original) {
    const platform::FileStatus status = files.status(target);
    if (status.error) {
        return {Outcome::BackupFailed, FileStepError{target, "replace it", status.error}};
    }
    if (auto error = refusal(files, source, target, status)) return {Outcome::BackupFailed, error};

    // A picked target that has gone is left to the rename to report, as the dialog expects.
    const bool backedUp = status.kind == FileKind::Regular || original == OriginalTrack::Required;
    std::string aside;
    if (backedUp) {
        if (auto error = makeBackup(files, target, aside)) return {Outcome::BackupFailed, error};
    } else if (const std::error_code reason = files.checkCreatable(target)) {
        return {Outcome::BackupFailed, FileStepError{target, "create it", reason}};
    }

    user.setMousePointer(MousePointer::Hourglass);
    if (builder.convertWav(source, target)) return {Outcome::Converted, dropAside(files, aside)};

    std::optional<FileStepError> error =
        backedUp ? restoreBackup(files, target, aside) : removeIfThere(files, target);
    return {Outcome::ConversionFailed, error};
}

}  // namespace corvan
