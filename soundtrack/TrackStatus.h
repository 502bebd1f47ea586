#pragma once

#include "engine/ImcInspector.h"
#include "platform/FileSystem.h"
#include "soundtrack/OriginalsStore.h"

#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace corvan::soundtrack {

enum class TrackState {
    Corvan,                 // a well-formed Corvan track whose original can be given back
    CorvanWithoutOriginal,  // a Corvan track, the game's own kept nowhere
    Damaged,                // a Corvan header that fails the inspector's check
    Original,               // anything else: the game's own track
};

// "corvan", "corvan-without-original", "damaged", "original".
const char* stateName(TrackState state);

struct TrackStatus {
    std::string name;
    TrackState state = TrackState::Original;
    std::optional<ImcVariant> kind;  // Corvan tracks
    std::optional<double> lengthSeconds, loopStartSeconds, loopEndSeconds;
    bool originalKept = false;  // a copy in the originals store
    bool backupKept = false;    // TRACK.bak is there
};

// Every track of the music folder, sorted by name. `error` says why the folder cannot be read.
std::vector<TrackStatus> readTrackStatus(platform::FileSystem& files, const std::string& folder,
                                         const OriginalsStore& store, std::error_code& error);

}  // namespace corvan::soundtrack
