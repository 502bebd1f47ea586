#include "TrackReplacement.h"

#include "ImcHeaderReader.h"

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
        case FileKind::Regular:
        case FileKind::Missing:
            break;
    }
    // Replacing a file renames it and moves, then deletes, its older backup: a source that is
    // either, under any name, would be taken from the conversion or destroyed. Where there is
    // no file to replace, the older backup is left alone.
    if (status.kind == FileKind::Missing) return std::nullopt;
    const platform::FileStatus from = files.status(source);
    if (platform::sameFile(from, status)) {
        return FileStepError{target, "replace it", {}, "it is the source file itself"};
    }
    const std::string backup = backupPathOf(target);
    if (platform::sameFile(from, files.status(backup))) {
        return FileStepError{
            target,
            "replace it",
            {},
            "its backup " + backup + " is the source file, which replacing it would delete"};
    }
    return std::nullopt;
}

}  // namespace

std::optional<FileStepError> replacementRefusal(platform::FileSystem& files,
                                                const std::string& source,
                                                const std::string& target) {
    const platform::FileStatus status = files.status(target);
    if (status.error) return FileStepError{target, "replace it", status.error};
    return refusal(files, source, target, status);
}

ReplacementResult replaceTrack(ImcBuilder& builder, platform::FileSystem& files,
                               UserInterface& user, const std::string& source,
                               const std::string& target, OriginalTrack original,
                               OriginalsKeeper* keeper) {
    const platform::FileStatus status = files.status(target);
    if (status.error) {
        return {Outcome::BackupFailed, FileStepError{target, "replace it", status.error}};
    }
    if (auto error = refusal(files, source, target, status)) return {Outcome::BackupFailed, error};

    std::optional<std::string> notKept;
    if (keeper != nullptr && status.kind == FileKind::Regular && !isCorvanTrack(files, target)) {
        notKept = keeper->keepOriginal(target);
    }
    // A picked target that has gone is left to the rename to report, as the dialog expects.
    const bool backedUp = status.kind == FileKind::Regular || original == OriginalTrack::Required;
    std::string aside;
    if (backedUp) {
        if (auto error = makeBackup(files, target, aside))
            return {Outcome::BackupFailed, error, notKept};
    } else if (const std::error_code reason = files.checkCreatable(target)) {
        return {Outcome::BackupFailed, FileStepError{target, "create it", reason}, notKept};
    }

    const auto putBack = [&] {
        return backedUp ? restoreBackup(files, target, aside) : removeIfThere(files, target);
    };
    user.setMousePointer(MousePointer::Hourglass);
    try {
        if (builder.convertWav(source, target)) {
            return {Outcome::Converted, dropAside(files, aside), notKept};
        }
    } catch (...) {
        // Whatever the conversion did not expect, the files are put back before it goes on.
        putBack();
        throw;
    }
    return {Outcome::ConversionFailed, putBack(), notKept};
}

}  // namespace corvan
