#pragma once

#include "engine/OriginalsKeeper.h"
#include "loop/LoopLanding.h"
#include "platform/FileSystem.h"
#include "soundtrack/MusicPack.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvan::soundtrack {

// One track of a pack as it will be applied: the track of the music folder it replaces.
struct PlannedTrack {
    PackTrack track;
    std::string target;  // the music folder's file, in its own case
};

// Finds each track's file in `folder` (its name in any case). Nothing, with the reason (the
// pack's line) in `error`, when one is not there.
std::optional<std::vector<PlannedTrack>> planPack(const MusicPack& pack,
                                                  const std::string& packPath,
                                                  const std::string& folder, std::string& error);

struct AppliedTrack {
    std::string name;  // the track replaced
    std::optional<loop::Landing> loop;
    std::optional<double> loudnessLufs, truePeakDb;
    bool loweredForPeak = false;  // the pack's loudness was not reached: the true peak forbade
};

struct ApplyResult {
    std::optional<std::string> error;  // why nothing changed
    bool stopped = false;              // a stop was asked for; nothing changed
    std::vector<AppliedTrack> tracks;
    std::vector<std::string> notKept;  // the originals keeper's warnings
};

struct ApplyOptions {
    // Tracks prepared at once; 0: as many as the cores and the memory aim allow.
    int workers = 0;
    // Asked between steps: true stops the run, which then changes nothing.
    std::function<bool()> shouldStop = nullptr;
};

// Applies a planned pack to the music folder, all or nothing: every recording prepared (at
// the pack's loudness, its loop found or placed and landed exactly), every track written
// beside its target, then all put in place together (SetReplacement). On any failure or a
// stop, the folder is as it was and nothing is left behind.
ApplyResult applyPack(platform::FileSystem& files, const MusicPack& pack,
                      const std::vector<PlannedTrack>& plan, const std::string& folder,
                      OriginalsKeeper* keeper, const ApplyOptions& options = {});

}  // namespace corvan::soundtrack
