#pragma once

#include "engine/OriginalsKeeper.h"
#include "platform/FileSystem.h"

#include <optional>
#include <string>
#include <vector>

namespace corvan::soundtrack {

// A finished new track, written beside the track of the music folder it is to replace.
struct StagedTrack {
    std::string target;  // the track's file name in the music folder
    std::string staged;  // the new track's file name there
};

// Puts a set of finished tracks in place of tracks of one music folder, all or nothing. Each
// track goes through the same steps as a single replacement: the game's own track is kept
// by the originals keeper, the track gets its backup name, an older backup stays aside
// until the whole set is in place. A journal in the folder lists the set while it is being
// put in place, so that a run killed between two renames is undone by `recover`.
class SetReplacement {
public:
    SetReplacement(platform::FileSystem& files, std::string folder)
        : files_(files), folder_(std::move(folder)) {}

    // Every track in place, or, on a failure or a stop request, every track as it was and the
    // staged files removed; then the reason. `notKept` collects the keeper's warnings.
    std::optional<std::string> apply(const std::vector<StagedTrack>& tracks,
                                     OriginalsKeeper* keeper, std::vector<std::string>& notKept);

    // Finishes a set that was complete, or undoes one that was not, when a journal shows that
    // a run was interrupted; nothing to do otherwise. Returns why it could not, if it could not.
    std::optional<std::string> recover();

    // The journal's name in the music folder.
    static constexpr const char* kJournalName = ".corvan-journal.json";

private:
    struct Step {
        std::string target, staged, aside;  // paths in the folder; aside empty without a backup
    };
    std::optional<std::string> writeJournal(const std::vector<Step>& steps, const char* phase);
    std::optional<std::string> undo(const std::vector<Step>& steps);
    std::optional<std::string> finish(const std::vector<Step>& steps);
    std::string path(const std::string& name) const;

    platform::FileSystem& files_;
    std::string folder_;
};

}  // namespace corvan::soundtrack
