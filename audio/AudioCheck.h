#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvan::audio {

// What a recording is, and whether the game can play it as it is.
struct AudioReport {
    std::string path;
    std::string container;  // "WAV", "AIFF", "FLAC", "Ogg", "MP3", "M4A", "WebM", ...
    std::string encoding;   // "16-bit PCM", "24-bit PCM", "32-bit float", "Vorbis", "AAC", ...
    std::string codec;      // "PCM", "FLAC", "Vorbis", "AAC", ...
    int sampleRate = 0;
    int channels = 0;
    // -1 and -1.0 when the length is unknown (a damaged stream whose header cannot tell it).
    std::int64_t frames = 0;
    double durationSeconds = 0;
    // As the file carries them; empty when it does not.
    std::string title;
    std::string artist;
    // The audio stream read, by its number in the file, and every audio stream's number;
    // -1 and empty for files of one stream.
    int stream = -1;
    std::vector<int> audioStreams;
    // Its prepared copy would be over the 2 GiB a game track may have: no preparing helps.
    bool tooLong = false;
    // Chunks between the WAV's format chunk and its samples, e.g. "LIST", "fact", "PEAK".
    std::vector<std::string> chunksBeforeData;
    // A RIFF WAVE file of 16-bit PCM, 22,050 Hz, 2 channels, with nothing but a 16-byte
    // format chunk before its samples.
    bool gameReady = false;
    // Each way it is not game-ready, one sentence in a user's words; empty when it is.
    std::vector<std::string> differences;
};

// Reads the file's header and describes it; where the header only estimates the length (an
// MP3 without a Xing or Info tag), the stream is decoded to count it. `stream` picks an audio
// stream by its number, -1 the file's default. Throws AudioError when it cannot be read.
AudioReport checkAudio(const std::string& path, int stream = -1);

}  // namespace corvan::audio
