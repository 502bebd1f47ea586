#include "audio/RateConverter.h"

#include "engine/ImcFormat.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace corvan::audio {

namespace {

// Any constant does; this one is the generator's customary default.
constexpr std::uint32_t kNoiseSeed = 5489u;

void check(soxr_error_t error) {
    if (error != nullptr) throw std::runtime_error(std::string("libsoxr: ") + error);
}

}  // namespace

RateConverter::RateConverter(double inputRate, int channels)
    : channels_(channels),
      converted_(kOutputFrames * static_cast<std::size_t>(channels)),
      output_(converted_.size()),
      noise_(kNoiseSeed) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    soxr_error_t error = nullptr;
    soxr_ = soxr_create(inputRate, imc::kSampleRate, static_cast<unsigned>(channels), &error, &io,
                        &quality, nullptr);
    check(error);
}

RateConverter::~RateConverter() {
    soxr_delete(soxr_);
}

void RateConverter::process(const float* frames, std::size_t count, const Sink& sink) {
    while (count > 0) {
        // libsoxr takes no more input than the output room asks for.
        std::size_t used = 0, made = 0;
        check(soxr_process(soxr_, frames, count, &used, converted_.data(), kOutputFrames, &made));
        if (used == 0 && made == 0) throw std::runtime_error("libsoxr: made no progress");
        quantize(made, sink);
        frames += used * static_cast<std::size_t>(channels_);
        count -= used;
    }
}

void RateConverter::finish(const Sink& sink) {
    for (;;) {
        std::size_t made = 0;
        check(soxr_process(soxr_, nullptr, 0, nullptr, converted_.data(), kOutputFrames, &made));
        if (made == 0) return;
        quantize(made, sink);
    }
}

void RateConverter::quantize(std::size_t frames, const Sink& sink) {
    if (frames == 0) return;
    const std::size_t samples = frames * static_cast<std::size_t>(channels_);
    for (std::size_t i = 0; i < samples; ++i) {
        // A NaN in a float source spreads through the filter; it is silence to the game.
        const double value = std::isnan(converted_[i]) ? 0.0 : converted_[i];
        peak_ = std::max(peak_, std::abs(value));
        // Two uniform 16-bit draws from one: their difference is triangular over +-1 step.
        const std::uint32_t bits = noise_();
        const double dither = (static_cast<double>(bits & 0xffffu) - (bits >> 16)) / 65536.0;
        const double step = std::floor(value * 32768.0 + dither + 0.5);
        if (step > 32767.0 || step < -32768.0) ++clipped_;
        output_[i] = static_cast<std::int16_t>(std::clamp(step, -32768.0, 32767.0));
    }
    sink(output_.data(), frames);
}

}  // namespace corvan::audio
