#pragma once

#include "loop/LoopPosition.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvan::loop {

struct PlacementOptions {
    // Stop at the shortest padding that puts both points closer than this to their times.
    double aimMs = 1.0;
    // The most silence tried; the grid moves with the file's length, so more silence means
    // more chances. Five minutes of silence costs 26 MB and is never played.
    std::int64_t maxPaddingFrames = 5 * 60 * imc::kSampleRate;
};

// Silence to append to a game-ready WAV, behind the loop end where a looping track never
// plays, and the sliders that then put the loop where it was asked for.
struct LoopPlacement {
    std::int64_t paddingFrames = 0;
    int startSlider = 0, endSlider = 0;
    int startPermille = 0, endPermille = 0;
    LoopFrames frames;                        // in the padded WAV; always on whole frames
    double startErrorMs = 0, endErrorMs = 0;  // to the times asked for
    bool metAim = false;
    double worstErrorMs() const { return startErrorMs > endErrorMs ? startErrorMs : endErrorMs; }
};

// Finds the padding (from none to options.maxPaddingFrames) whose slider grid comes nearest
// to starting the loop at `startSeconds` and jumping back at `endSeconds` in a game-ready WAV
// of `gameFrames` frames, with both points on whole frames: the shortest one within
// options.aimMs, or else the one with the smallest worse error. Throws std::invalid_argument
// unless 0 <= startSeconds < endSeconds <= the WAV's length.
LoopPlacement placeLoop(std::int64_t gameFrames, double startSeconds, double endSeconds,
                        const PlacementOptions& options = {});

// Writes `gameWavPath` to `outputPath` with `paddingFrames` frames of silence after its
// samples; the output appears only when complete. Throws AudioError when the source is not a
// game-ready WAV, when the result would be too long for the game, or when it cannot be
// written. Returns the frames written.
// `padding`, when given, holds the padding's first frames interleaved; silence follows.
std::int64_t writePaddedGameWav(const std::string& gameWavPath, const std::string& outputPath,
                                std::int64_t paddingFrames,
                                const std::vector<std::int16_t>& padding = {});

}  // namespace corvan::loop
