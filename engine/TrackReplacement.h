#pragma once

#include "Backup.h"
#include "ImcBuilder.h"

#include <optional>
#include <string>

namespace corvan {

// Whether the file to be replaced must be there already.
enum class OriginalTrack {
    // The user picked it from a list: it is backed up exactly as the save dialog does it,
    // an older backup deleted first, and a target that has gone is an error.
    Required,
    // A new file may be made: a file of the target's name is backed up if there is one;
    // without one, an older backup of that name is left alone.
    IfPresent,
};

struct ReplacementResult {
    enum class Outcome {
        BackupFailed,      // nothing was changed; `error` says why
        Converted,         // the new file is in place, the original under its backup name
        ConversionFailed,  // the original is back in place, or, if restoring failed, under
                           // its backup name with no partial file in its place (`error`)
    };
    Outcome outcome = Outcome::BackupFailed;
    std::optional<FileStepError> error;
};

// Replaces `target` with the conversion of `source`: the original gets its backup name,
// the hourglass goes on and `builder` converts, telling the user the outcome itself.
// A failed conversion loses nothing: the original goes back under `target`; where there
// was none, the partial file is removed.
ReplacementResult replaceTrack(ImcBuilder& builder, platform::FileSystem& files,
                               UserInterface& user, const std::string& source,
                               const std::string& target, OriginalTrack original);

}  // namespace corvan
