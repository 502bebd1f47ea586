#pragma once

#include "loop/LoopPosition.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvan::loop {

// Writes `gameWavPath` to `outputPath` with `paddingFrames` frames of silence after its
// samples; the output appears only when complete. Throws AudioError when the source is not a
// game-ready WAV, when the result would be too long for the game, or when it cannot be
// written. Returns the frames written.
// `padding`, when given, holds the padding's first frames interleaved; silence follows.
std::int64_t writePaddedGameWav(const std::string& gameWavPath, const std::string& outputPath,
                                std::int64_t paddingFrames,
                                const std::vector<std::int16_t>& padding = {});

}  // namespace corvan::loop
