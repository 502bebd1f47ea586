#pragma once

#include "engine/ImcFormat.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvan::audio {

// A game-ready WAV: the game's sound format behind a plain WAV header (RIFF, WAVE, a 16-byte
// fmt chunk and the data chunk's id and length).
inline constexpr std::int64_t kPlainWavHeaderBytes = 44;

// The length of a game-ready WAV holding `frames` frames.
constexpr std::int64_t gameWavBytes(std::int64_t frames) {
    return kPlainWavHeaderBytes + frames * imc::kBytesPerFrame;
}

// The game-ready WAV's frame count for a recording of `frames` frames at `rate`, as
// prepareGameWav makes it.
std::int64_t gameFramesFor(std::int64_t frames, int rate);

struct PrepareOptions {
    // Applied to every sample before resampling; e.g. -3.0 to keep a loud recording from
    // clipping. A game-ready source is copied unchanged only at 0 dB.
    double gainDb = 0.0;
    // Called between blocks with the share of the source read so far, 0 to 1.
    std::function<void(double fraction)> onProgress = nullptr;
    // Asked between blocks; returning true stops the run and leaves nothing behind.
    std::function<bool()> shouldCancel = nullptr;
    // Frames read from the source at a time, fewer when they would hold more than
    // kMaxBlockSamples samples; the memory used depends neither on the file nor on its
    // channel count or rate.
    std::size_t blockFrames = 8192;
    // The audio stream to read by its number in the file; -1 takes the file's default.
    int stream = -1;
    // The longest result allowed. The game's limit; lowered only to test the refusal.
    // Measure the result's loudness (EBU R128) as it is written.
    bool measureLoudness = false;
    std::int64_t maxOutputBytes = imc::kMaxWavBytes;
};

struct PrepareResult {
    bool cancelled = false;        // nothing was written
    bool copiedUnchanged = false;  // a game-ready source whose samples were copied as they are
    std::int64_t framesWritten = 0;
    // Samples beyond the 16-bit range, set to its limit; lower gainDb to avoid them.
    std::int64_t clippedSamples = 0;
    // The largest magnitude of the result's samples before they were reduced to 16 bits, 1.0
    // being full scale: what decides whether a gain clips.
    double peak = 0.0;
    // With measureLoudness: the result's integrated loudness (LUFS) and true peak (dBTP).
    std::optional<double> loudnessLufs, truePeakDb;
    // The audio stream read and every audio stream's number, as AudioFormat has them.
    int stream = -1;
    std::vector<int> audioStreams;
};

// The most samples (of all channels) read from the source at a time.
inline constexpr std::size_t kMaxBlockSamples = std::size_t{1} << 20;

// The highest gain, in steps of a tenth of a decibel, with which a run that gave `result` at
// `gainDb` clips nothing: its peak stays at or below 32,766 of the 32,768 steps of full scale,
// so that the dither (under one step) cannot carry a sample past 32,767. Nothing when the peak
// is not a finite number above 0.
std::optional<double> gainAvoidingClipping(const PrepareResult& result, double gainDb);

// Writes `sourcePath`, any recording AudioReader reads, to `outputPath` as a game-ready WAV:
// 16-bit PCM, 22,050 Hz, stereo, with the plain 44-byte header and nothing else before the
// samples.
//
// Channels are mixed to stereo (StereoMixer), the rate converted with libsoxr's very high
// quality and the samples reduced to 16 bits with a TPDF dither whose noise is the same on
// every run, so that the same source and options give the same bytes. A source that
// already holds 16-bit PCM at 22,050 Hz in stereo is copied frame for frame, unless a gain
// is asked for. The output appears only when complete: a cancelled or failed run leaves no
// file and an existing output untouched.
//
// Throws AudioError (one line naming the file and the reason) when the source cannot be
// read, holds no frames, is cut short, names the same file as the output, or would give a
// result longer than maxOutputBytes, and when the output cannot be written.
PrepareResult prepareGameWav(const std::string& sourcePath, const std::string& outputPath,
                             const PrepareOptions& options = {});

// The same at an integrated loudness of `targetLufs` (EBU R128) on top of options.gainDb,
// lowered where needed so that the true peak stays at or below -1 dBTP: measured in a
// first run, reached in a second. `lowered` tells whether the true peak allowed less.
PrepareResult prepareGameWavAtLoudness(const std::string& sourcePath, const std::string& outputPath,
                                       double targetLufs, PrepareOptions options, bool& lowered);

}  // namespace corvan::audio
