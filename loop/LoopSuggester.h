#pragma once

#include "loop/LoopPosition.h"
#include "loop/MusicFeatures.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvan::loop {

struct SuggestOptions {
    int count = 5;                      // suggestions wanted
    double minLengthSeconds = 5.0;      // no loop shorter than this...
    double minLengthShare = 1.0 / 3.0;  // ...nor than this share of the recording
    // Suggestions closer than this many thousandths at both ends to a better one are left
    // out: they are the same loop to the ear.
    int separationPermille = 3;
    // Only loops whose two points fall on frame boundaries, for a player that would split a
    // frame at a jump (about one pair in sixteen).
    bool wholeFramesOnly = false;
    // Asked often, from the searching thread: true stops the search, which then returns
    // nothing. Reading the recording is asked between blocks.
    std::function<bool()> shouldCancel = nullptr;
};

struct LoopSuggestion {
    int startSlider = 0, endSlider = 0;
    int startPermille = 0, endPermille = 0;  // tenths of a percent of the file
    LoopFrames frames;                       // in the game-ready WAV
    double startSeconds = 0, endSeconds = 0, lengthSeconds = 0;
    PairScore score;
    std::string words;  // describeScore(score.total)
};

// Ranks every loop the sliders can express in a game-ready WAV of `gameFrames` frames made
// from the recording behind `features`: each pair of thousandths whose loop lies within the
// samples and is long enough, scored with scorePair, best first, at most options.count.
std::vector<LoopSuggestion> suggestLoops(const MusicFeatures& features, std::int64_t gameFrames,
                                         const SuggestOptions& options = {});

// The same for a recording on disk, any format libsndfile reads. Throws AudioError when it
// cannot be read.
std::vector<LoopSuggestion> suggestLoopsFor(const std::string& recordingPath,
                                            const SuggestOptions& options = {});

}  // namespace corvan::loop
