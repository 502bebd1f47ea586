#pragma once

#include <cstdint>

namespace corvan::audio {

// What the IMC header declares, so what the WAV after it must hold.
inline constexpr int kGameSampleRate = 22050;
inline constexpr int kGameChannels = 2;
inline constexpr int kGameBytesPerFrame = 4;  // two 16-bit samples
// A plain WAV header: RIFF, WAVE, a 16-byte fmt chunk and the data chunk's id and length.
inline constexpr std::int64_t kPlainWavHeaderBytes = 44;
// The IMC header stores the WAV's length in a signed 32-bit field.
inline constexpr std::int64_t kMaxGameWavBytes = 2147483647;

// The length of a game-ready WAV holding `frames` frames.
constexpr std::int64_t gameWavBytes(std::int64_t frames) {
    return kPlainWavHeaderBytes + frames * kGameBytesPerFrame;
}

}  // namespace corvan::audio
