#include "TrackReplacement.h"

namespace corvan {

using Outcome = ReplacementResult::Outcome;

ReplacementResult replaceTrack(ImcBuilder& builder, platform::FileSystem& files,
                               UserInterface& user, const std::string& source,
                               const std::string& target, OriginalTrack original) {
    bool backedUp = true;
    const std::optional<FileStepError> backupError =
        original == OriginalTrack::Required ? makeBackup(files, target)
                                            : makeBackupIfPresent(files, target, backedUp);
    if (backupError) return {Outcome::BackupFailed, backupError};

    user.setMousePointer(MousePointer::Hourglass);
    if (builder.convertWav(source, target)) return {Outcome::Converted, std::nullopt};

    std::optional<FileStepError> error =
        backedUp ? restoreBackup(files, target) : removeIfThere(files, target);
    return {Outcome::ConversionFailed, error};
}

}  // namespace corvan
