#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvan::audio {

// What a recording is, and whether the game can play it as it is.
struct AudioReport {
    std::string path;
    std::string container;  // "WAV", "WAVE_FORMAT_EXTENSIBLE WAV", "AIFF", "FLAC", "MP3", ...
    std::string encoding;   // "16-bit PCM", "24-bit PCM", "32-bit float", "Vorbis", ...
    int sampleRate = 0;
    int channels = 0;
    std::int64_t frames = 0;
    double durationSeconds = 0;
    // Chunks between the WAV's format chunk and its samples, e.g. "LIST", "fact", "PEAK".
    std::vector<std::string> chunksBeforeData;
    // A RIFF WAVE file of 16-bit PCM, 22,050 Hz, 2 channels, with nothing but a 16-byte
    // format chunk before its samples.
    bool gameReady = false;
    // Each way it is not game-ready, one sentence in a user's words; empty when it is.
    std::vector<std::string> differences;
};

// Reads the file's header and describes it. Throws AudioError when libsndfile cannot open
// it, with libsndfile's reason.
AudioReport checkAudio(const std::string& path);

}  // namespace corvan::audio
