#include "audio/LoudnessMeter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace corvan::audio {

struct LoudnessMeter::State {
    ebur128_state* meter = nullptr;
    unsigned channels = 0;
    ~State() {
        if (meter != nullptr) ebur128_destroy(&meter);
    }
};

LoudnessMeter::LoudnessMeter(int channels, int sampleRate) : state_(std::make_unique<State>()) {
    state_->channels = static_cast<unsigned>(channels);
    state_->meter = ebur128_init(state_->channels, static_cast<unsigned long>(sampleRate),
                                 EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    if (state_->meter == nullptr) throw std::bad_alloc();
}

LoudnessMeter::~LoudnessMeter() = default;

void LoudnessMeter::add(const float* interleaved, std::size_t frames) {
    if (ebur128_add_frames_float(state_->meter, interleaved, frames) != EBUR128_SUCCESS)
        throw std::bad_alloc();  // its only failure is memory for the block history
}

double LoudnessMeter::integratedLufs() const {
    double lufs = 0;
    if (ebur128_loudness_global(state_->meter, &lufs) != EBUR128_SUCCESS)
        return -std::numeric_limits<double>::infinity();
    return lufs;
}

double LoudnessMeter::truePeakDb() const {
    double peak = 0;
    for (unsigned channel = 0; channel < state_->channels; ++channel) {
        double channelPeak = 0;
        if (ebur128_true_peak(state_->meter, channel, &channelPeak) == EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    return peak > 0 ? 20 * std::log10(peak) : -std::numeric_limits<double>::infinity();
}

LoudnessGain gainForLoudness(double measuredLufs, double truePeakDb, double targetLufs,
                             double ceilingDb) {
    LoudnessGain gain;
    if (!std::isfinite(measuredLufs)) return gain;  // silence stays silence
    gain.gainDb = targetLufs - measuredLufs;
    if (std::isfinite(truePeakDb) && truePeakDb + gain.gainDb > ceilingDb) {
        gain.gainDb = ceilingDb - truePeakDb;
        gain.lowered = true;
    }
    gain.resultLufs = measuredLufs + gain.gainDb;
    return gain;
}

}  // namespace corvan::audio
