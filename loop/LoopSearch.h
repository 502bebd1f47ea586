#pragma once

#include "loop/GameSamples.h"
#include "loop/SeamMeasure.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace corvan::loop {

struct LoopSearchOptions {
    int count = 5;  // loops wanted
    // No loop shorter than this many seconds nor than this share of the recording.
    double minLengthSeconds = 5.0;
    double minLengthShare = 1.0 / 3.0;
    std::optional<double> maxLengthSeconds;
    // Loops starting near this point (seconds) rank first; a hint, not a filter.
    std::optional<double> nearSeconds;
    // Asked between stages and often within them: true ends the search with nothing.
    std::function<bool()> shouldCancel = nullptr;
};

struct FoundLoop {
    std::int64_t startFrame = 0;  // the game goes on here...
    std::int64_t endFrame = 0;    // ...after playing up to this frame, not included
    SeamQuality seam;
    double context = 0;  // how unlike the music is over a few seconds around the two points
    double score = 0;    // lower is better
    std::int64_t lengthFrames() const { return endFrame - startFrame; }
};

// Finds loops to the sample anywhere in a recording, best first. The lengths come from the
// music's own repetition: the distance between short-time spectra (log bands up to half the
// rate, so that the highs count, and pitch classes) at every lag, through FFT
// autocorrelation. The best places for each length are where a few seconds on both sides
// agree, the length is then made exact by cross-correlating the waveforms across the jump,
// and the seam put on the sample where the two sides differ least. Each loop is judged by
// its seam (splice and step, measureSeam) and the music around it; loops of the same length
// less than a beat apart are one.
std::vector<FoundLoop> findLoops(const GameSamples& samples, const LoopSearchOptions& options = {});

}  // namespace corvan::loop
