#pragma once

#include "loop/LoopLanding.h"
#include "loop/LoopSearch.h"

#include <string>
#include <vector>

namespace corvan::loop {

// A loop found in a recording and where it lands.
struct LandedLoop {
    FoundLoop found;
    Landing landing;
};

// Lands each loop, then lands its landed frames again as loops given to the frame are (no
// shift, the least padding), so that `prepare --loop-at-frames` with the frames reported
// writes exactly this copy. Best landed seam first; of seams alike, the least padding.
std::vector<LandedLoop> landLoops(const GameSamples& samples, const std::vector<FoundLoop>& loops,
                                  LandingOptions options = {});

// The `search.count` best loops of a recording, found and landed: a few more are looked for,
// so that a loop that lands badly gives way to the next.
std::vector<LandedLoop> findLandedLoops(const GameSamples& samples, const LoopSearchOptions& search,
                                        const LandingOptions& landing = {});

// Writes the copy of the game-ready WAV `gameWavPath` (whose samples are `samples`) padded for
// `landing`, the padding filled as choosePaddingFill finds best. Throws AudioError.
PaddingChoice writeLandedCopy(const std::string& gameWavPath, const GameSamples& samples,
                              const Landing& landing, const std::string& outputPath);

// The seam in words: "seamless", "smooth", "audible" or "rough".
std::string describeSeam(const SeamQuality& seam);

}  // namespace corvan::loop
