#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

struct soxr;

namespace corvan::audio {

// libsoxr turning interleaved float samples at one rate into float samples at the game's rate
// with its very high quality recipe (SOXR_VHQ), then reduced to 16 bits with a TPDF dither
// of +-1 step. The dither's noise comes from a generator seeded with a constant, so the same
// input gives the same bytes on every run; libsoxr's own dither is seeded from the clock.
//
// The memory used is fixed whatever the rates: libsoxr is asked for at most kOutputFrames
// frames at a time and takes only the input they need, so a 1 Hz source no more than a
// 44.1 kHz one.
class RateConverter {
public:
    // Receives converted frames; the buffer is valid only during the call.
    using Sink = std::function<void(const std::int16_t* frames, std::size_t count)>;
    static constexpr std::size_t kOutputFrames = 8192;

    // Throws std::runtime_error with libsoxr's reason when it cannot be set up.
    RateConverter(double inputRate, int channels);
    ~RateConverter();
    RateConverter(const RateConverter&) = delete;
    RateConverter& operator=(const RateConverter&) = delete;

    // Converts `count` frames and passes what comes out to `sink`, in pieces.
    void process(const float* frames, std::size_t count, const Sink& sink);
    // Passes the frames still held in the filter to `sink`; call once after the last input.
    void finish(const Sink& sink);
    // Output samples that were beyond the 16-bit range and set to its limit.
    std::int64_t clippedSamples() const { return clipped_; }
    // The largest magnitude of the converted samples before the dither, 1.0 being full scale.
    double peak() const { return peak_; }

private:
    void quantize(std::size_t frames, const Sink& sink);

    int channels_;
    soxr* soxr_ = nullptr;
    std::vector<float> converted_;
    std::vector<std::int16_t> output_;
    std::mt19937 noise_;
    std::int64_t clipped_ = 0;
    double peak_ = 0.0;
};

}  // namespace corvan::audio
