#pragma once

#include "loop/GameSamples.h"

#include <cstdint>

namespace corvan::loop {

// How a loop's seam sounds, measured on the samples the game plays: up to frame end - 1,
// then on at frame start.
struct SeamQuality {
    // Log-spectral distance (dB) between what is heard across the jump and the uninterrupted
    // music around the end, over 200 ms, highs included: low when the jump cannot be heard.
    double splice = 0;
    // The jump from the last sample played to the first one after it, over the usual
    // sample-to-sample change around the seam: 1 is no step; above about 3 it clicks.
    double step = 0;
};

SeamQuality measureSeam(const GameSamples& samples, std::int64_t startFrame, std::int64_t endFrame);
// Only the step, which costs a few samples.
double seamStep(const GameSamples& samples, std::int64_t startFrame, std::int64_t endFrame);

}  // namespace corvan::loop
