#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvan::loop {

// The samples of a game-ready WAV as they are: 16-bit stereo at the game's rate. Kept at
// 16 bits, so that a ten-minute recording takes 53 MB, and mixed to mono only where needed.
struct GameSamples {
    std::vector<std::int16_t> interleaved;  // left, right, left, ...
    int rate = 22050;

    std::int64_t frames() const { return static_cast<std::int64_t>(interleaved.size() / 2); }
    // The mono mix of frame `frame`, 1.0 being full scale; 0 outside the samples.
    float mono(std::int64_t frame) const {
        if (frame < 0 || frame >= frames()) return 0.0f;
        return (interleaved[2 * frame] + interleaved[2 * frame + 1]) * (0.5f / 32768.0f);
    }
    float channel(std::int64_t frame, int channel) const {
        return interleaved[2 * frame + channel] * (1.0f / 32768.0f);
    }

    // Reads a game-ready WAV; throws AudioError when it cannot.
    static GameSamples read(const std::string& gameWavPath);
};

}  // namespace corvan::loop
