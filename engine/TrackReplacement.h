#pragma once

#include "Backup.h"
#include "ImcBuilder.h"
#include "OriginalsKeeper.h"

#include <optional>
#include <string>

namespace corvan {

// Whether the file to be replaced must be there already.
enum class OriginalTrack {
    // The user picked it from a list: a target that has gone is an error.
    Required,
    // A new file may be made where there is none; an older backup of its name is then left
    // alone.
    IfPresent,
};

struct ReplacementResult {
    enum class Outcome {
        BackupFailed,      // nothing was changed; `error` says why (a refusal included)
        Converted,         // the new file is in place, the original under its backup name;
                           // `error` if the older backup, set aside, could not be deleted
        ConversionFailed,  // the original and its older backup are back in place, or, if
                           // restoring failed, `error` says where they are, with no
                           // partial file in the original's place
    };
    Outcome outcome = Outcome::BackupFailed;
    std::optional<FileStepError> error;
    // Why no copy of the game's own track could be kept before it was replaced.
    std::optional<std::string> originalNotKept = {};
};

// Replaces `target` with the conversion of `source`: the original gets its backup name,
// the hourglass goes on and `builder` converts, telling the user the outcome itself.
// What replacementRefusal names is refused before anything changes. A failed or stopped conversion
// loses nothing: the original goes back under `target` and an older backup under the backup name;
// where there was no original, the partial file is removed. An older backup is replaced only once
// the new file is complete. Why `target` must not be replaced by the conversion of `source`: it is
// neither a regular file nor absent, or the source (compared as files, so that links count) is the
// target or its backup, which the replacement renames or deletes. Nothing when it may be.
std::optional<FileStepError> replacementRefusal(platform::FileSystem& files,
                                                const std::string& source,
                                                const std::string& target);

// A track the game came with is first shown to `keeper`, when there is one.
ReplacementResult replaceTrack(ImcBuilder& builder, platform::FileSystem& files,
                               UserInterface& user, const std::string& source,
                               const std::string& target, OriginalTrack original,
                               OriginalsKeeper* keeper = nullptr);

}  // namespace corvan
