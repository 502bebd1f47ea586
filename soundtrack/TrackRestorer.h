#pragma once

#include "platform/FileSystem.h"
#include "platform/Trash.h"
#include "soundtrack/OriginalsStore.h"

#include <string>

namespace corvan::soundtrack {

struct RestoreResult {
    enum class Outcome {
        Restored,          // the game's track is back in place
        NothingToRestore,  // the track is the game's own, or no original of it is kept
        Failed,            // the track is as it was; `message` says why
    };
    Outcome outcome = Outcome::Failed;
    std::string message;  // one line for the user
};

// Puts the game's own track back in place of a Corvan track: from the copy the originals
// store kept, else from the track's backup when that is the game's. The Corvan track goes to
// the trash, or where no trash takes it, beside the track as TRACK.replaced: nothing is lost.
// Each track is all or nothing: what fails puts the Corvan track back where it was.
class TrackRestorer {
public:
    TrackRestorer(platform::FileSystem& files, const OriginalsStore& store, platform::Trash& trash)
        : files_(files), store_(store), trash_(trash) {}

    RestoreResult restore(const std::string& track);

private:
    // Where the Corvan track was moved out of the way.
    struct SetAside {
        std::string path;
        bool inTrash = false;
        std::string where;  // in words, for the user
    };
    std::error_code setAside(const std::string& track, SetAside& aside);

    platform::FileSystem& files_;
    const OriginalsStore& store_;
    platform::Trash& trash_;
};

}  // namespace corvan::soundtrack
