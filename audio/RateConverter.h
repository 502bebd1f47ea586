#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct soxr;

namespace corvan::audio {

// libsoxr turning interleaved float samples at one rate into interleaved 16-bit samples at the
// game's rate: its very high quality recipe (SOXR_VHQ), and its TPDF dither on the way to 16 bits,
// which libsoxr applies by default to an int16 output.
class RateConverter {
public:
    // Receives converted frames; the buffer is valid only during the call.
    using Sink = std::function<void(const std::int16_t* frames, std::size_t count)>;

    // Throws std::runtime_error with libsoxr's reason when it cannot be set up.
    RateConverter(double inputRate, int channels, std::size_t maxInputFrames);
    ~RateConverter();
    RateConverter(const RateConverter&) = delete;
    RateConverter& operator=(const RateConverter&) = delete;

    // Converts `count` frames (at most maxInputFrames) and passes what comes out to `sink`.
    void process(const float* frames, std::size_t count, const Sink& sink);
    // Passes the frames still held in the filter to `sink`; call once after the last input.
    void finish(const Sink& sink);
    // Output samples that were beyond the 16-bit range and set to its limit.
    std::int64_t clippedSamples() const;

private:
    int channels_;
    soxr* soxr_ = nullptr;
    std::vector<std::int16_t> output_;
};

}  // namespace corvan::audio
