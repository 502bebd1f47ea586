#pragma once

#include "loop/LoopScore.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvan::loop {

// What a recording sounds like over time, for judging loops: the mono mix at a modest rate,
// and from its short-time spectrum (FFTW, Hann window) the energy of each pitch class
// (chroma), of log-spaced bands and in all, and the onsets that make its rhythm. The per-frame
// values are kept as running sums so that the mean over any span costs the same whatever its
// length.
class MusicFeatures {
public:
    static constexpr int kDefaultRate = 11025;
    static constexpr int kWindow = 2048;  // 186 ms at 11,025 Hz: semitones apart from 65 Hz
    static constexpr int kHop = 256;      // 23 ms

    // Reads any recording AudioReader reads, mixes it to mono and converts it to `rate` with
    // libsoxr. Throws AudioError when it cannot be read or holds no samples. A `cancel` that
    // answers true, asked between blocks, ends the reading early with what was read.
    static MusicFeatures fromFile(const std::string& path, int rate = kDefaultRate,
                                  const std::function<bool()>& cancel = {});
    // From mono samples at `rate`, 1.0 being full scale.
    static MusicFeatures fromSamples(std::vector<float> mono, int rate);

    int rate() const { return rate_; }
    double seconds() const { return static_cast<double>(mono_.size()) / rate_; }
    // The recording's frame count as its source had it, at its source rate.
    std::int64_t sourceFrames() const { return sourceFrames_; }
    int sourceRate() const { return sourceRate_; }
    const std::vector<float>& mono() const { return mono_; }

    // The sound around the point `seconds` into the recording: context blocks before and
    // after it, and the waveform right at it. Spans beyond the recording count as silence.
    PositionFeatures at(double seconds) const;

private:
    MusicFeatures(std::vector<float> mono, int rate);
    // Mean chroma, band and total energy over the frames centred in [from, to) samples.
    void meanOver(double from, double to, double* chroma, double* bands, double& energy) const;

    int rate_;
    std::int64_t sourceFrames_ = 0;
    int sourceRate_ = 0;
    std::vector<float> mono_;
    std::int64_t frames_ = 0;
    // Row i holds the sums over frames 0 to i-1: kChroma, kBands and 1 value a row.
    std::vector<double> chromaSums_, bandSums_, energySums_;
};

}  // namespace corvan::loop
