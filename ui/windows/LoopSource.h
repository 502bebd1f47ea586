#pragma once

#include "audio/AudioCheck.h"
#include "loop/LoopPosition.h"

#include <cstdint>
#include <optional>
#include <string>

namespace corvan::ui {

// The selected recording as its loop sees it. The header counts the loop in thousandths of
// the WAV that goes into the track: the file itself when it is game-ready, otherwise the
// copy that Prepare Audio makes of it, whose length is known before it is made.
struct LoopSource {
    std::string path;
    bool gameReady = false;
    std::int64_t wavBytes = 0;  // of the game-ready WAV
    std::int64_t frames = 0;    // its frames

    // Where the sliders put the loop in that WAV.
    loop::LoopFrames loopFor(int startSlider, int endSlider) const;
};

// Nothing when libsndfile cannot read the file: any file can go into a track, but only a
// recording has times.
std::optional<LoopSource> loopSourceFor(const std::string& path);
// The same from the file's check, made already.
std::optional<LoopSource> loopSourceFor(const std::string& path, const audio::AudioReport& report);

}  // namespace corvan::ui
