#pragma once

#include "loop/LoopPosition.h"

#include <cstdint>
#include <string>

namespace corvan::loop {

struct SeamPreviewResult {
    std::int64_t framesBeforeJump = 0;  // from the loop end backwards
    std::int64_t framesAfterJump = 0;   // from the loop start onwards
};

// Writes to `outputPath` a game-ready WAV that plays what the game plays across the jump:
// the `seconds` before the loop end, then the `seconds` from the loop start, each cut short
// where the file ends. The output appears only when complete.
//
// Throws AudioError when `gameWavPath` is not 16-bit stereo at the game's rate, when the
// loop lies outside its samples or ends before it starts, and when the output cannot be
// written.
SeamPreviewResult writeSeamPreview(const std::string& gameWavPath, const LoopFrames& loop,
                                   const std::string& outputPath, double seconds = 4.0);

}  // namespace corvan::loop
