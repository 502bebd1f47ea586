#pragma once

#include "loop/LoopPosition.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvan::loop {

struct RefinedLoop {
    LoopFrames frames;             // the start as given, the end moved by endOffset
    std::int64_t endOffset = 0;    // frames, within the search radius
    double correlationBefore = 0;  // of the waveforms around the two points, -1 to 1
    double correlationAfter = 0;
};

// The offset d in [-radius, radius] that makes the waveform around `end + d` most like the
// waveform around `start`: the normalised cross-correlation of two windows of 2 * halfWindow
// samples centred on the points, from one channel or a mono mix. Only the distance between
// the points matters to the seam, so the start stays put. Points whose windows leave the
// samples are not considered.
std::int64_t bestEndOffset(const std::vector<float>& mono, std::int64_t start, std::int64_t end,
                           int radius, int halfWindow);
// The normalised correlation of the windows around `a` and `b` (0 when either is silent).
double windowCorrelation(const std::vector<float>& mono, std::int64_t a, std::int64_t b,
                         int halfWindow);

// Moves the loop's end in a game-ready WAV to the frame within `radius` frames (20 ms by
// default) where the jump matches the waveform best. The sliders alone rarely reach that
// frame; placeLoop pads the file until they come within a millisecond of it. Throws AudioError when
// the file cannot be read.
RefinedLoop refineLoop(const std::string& gameWavPath, const LoopFrames& loop, int radius = 441,
                       int halfWindow = 1024);

}  // namespace corvan::loop
