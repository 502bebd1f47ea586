#include "audio/RateConverter.h"

#include "audio/GameFormat.h"

#include <soxr.h>

#include <cmath>
#include <stdexcept>
#include <string>

namespace corvan::audio {

RateConverter::RateConverter(double inputRate, int channels, std::size_t maxInputFrames)
    : channels_(channels) {
    // SOXR_TPDF is 0: the dither is on unless SOXR_NO_DITHER is asked for.
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_INT16_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    soxr_error_t error = nullptr;
    soxr_ = soxr_create(inputRate, kGameSampleRate, static_cast<unsigned>(channels), &error, &io,
                        &quality, nullptr);
    if (error != nullptr) throw std::runtime_error(std::string("libsoxr: ") + error);
    const double ratio = kGameSampleRate / inputRate;
    const auto capacity = static_cast<std::size_t>(std::ceil(maxInputFrames * ratio)) + 256;
    output_.resize(capacity * static_cast<std::size_t>(channels));
}

RateConverter::~RateConverter() {
    soxr_delete(soxr_);
}

void RateConverter::process(const float* frames, std::size_t count, const Sink& sink) {
    const std::size_t capacity = output_.size() / static_cast<std::size_t>(channels_);
    while (count > 0) {
        std::size_t used = 0, made = 0;
        soxr_error_t error =
            soxr_process(soxr_, frames, count, &used, output_.data(), capacity, &made);
        if (error != nullptr) throw std::runtime_error(std::string("libsoxr: ") + error);
        if (used == 0 && made == 0) throw std::runtime_error("libsoxr: made no progress");
        if (made > 0) sink(output_.data(), made);
        frames += used * static_cast<std::size_t>(channels_);
        count -= used;
    }
}

void RateConverter::finish(const Sink& sink) {
    const std::size_t capacity = output_.size() / static_cast<std::size_t>(channels_);
    for (;;) {
        std::size_t made = 0;
        soxr_error_t error =
            soxr_process(soxr_, nullptr, 0, nullptr, output_.data(), capacity, &made);
        if (error != nullptr) throw std::runtime_error(std::string("libsoxr: ") + error);
        if (made == 0) return;
        sink(output_.data(), made);
    }
}

std::int64_t RateConverter::clippedSamples() const {
    return static_cast<std::int64_t>(*soxr_num_clips(soxr_));
}

}  // namespace corvan::audio
