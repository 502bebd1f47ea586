#include "audio/StereoMixer.h"

#include <sndfile.h>

#include <cmath>

namespace corvan::audio {

namespace {

constexpr float kMinus3Db = 0.70710678f;

// The WAVE order of channels, used when the file names none.
constexpr int kWaveOrder[] = {
    SF_CHANNEL_MAP_FRONT_LEFT, SF_CHANNEL_MAP_FRONT_RIGHT, SF_CHANNEL_MAP_FRONT_CENTER,
    SF_CHANNEL_MAP_LFE,        SF_CHANNEL_MAP_REAR_LEFT,   SF_CHANNEL_MAP_REAR_RIGHT,
    SF_CHANNEL_MAP_SIDE_LEFT,  SF_CHANNEL_MAP_SIDE_RIGHT,
};

struct Weights {
    float left;
    float right;
};

Weights weightsOf(int channel) {
    switch (channel) {
        case SF_CHANNEL_MAP_LEFT:
        case SF_CHANNEL_MAP_FRONT_LEFT:
            return {1.0f, 0.0f};
        case SF_CHANNEL_MAP_RIGHT:
        case SF_CHANNEL_MAP_FRONT_RIGHT:
            return {0.0f, 1.0f};
        case SF_CHANNEL_MAP_LFE:
            return {0.0f, 0.0f};
        case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
        case SF_CHANNEL_MAP_REAR_LEFT:
        case SF_CHANNEL_MAP_SIDE_LEFT:
            return {kMinus3Db, 0.0f};
        case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
        case SF_CHANNEL_MAP_REAR_RIGHT:
        case SF_CHANNEL_MAP_SIDE_RIGHT:
            return {0.0f, kMinus3Db};
        // Centres, and channels of no known place, belong to both sides.
        default:
            return {kMinus3Db, kMinus3Db};
    }
}

}  // namespace

StereoMixer::StereoMixer(int channels, const std::vector<int>& channelMap, double gainDb)
    : channels_(channels),
      gain_(static_cast<float>(std::pow(10.0, gainDb / 20.0))),
      left_(static_cast<std::size_t>(channels)),
      right_(static_cast<std::size_t>(channels)) {
    if (channels == 1) {
        left_[0] = right_[0] = 1.0f;
        return;
    }
    for (int c = 0; c < channels; ++c) {
        int place = SF_CHANNEL_MAP_INVALID;
        if (static_cast<std::size_t>(c) < channelMap.size()) {
            place = channelMap[static_cast<std::size_t>(c)];
        } else if (channelMap.empty() && c < static_cast<int>(std::size(kWaveOrder))) {
            place = kWaveOrder[c];
        }
        const Weights weights = weightsOf(place);
        left_[static_cast<std::size_t>(c)] = weights.left;
        right_[static_cast<std::size_t>(c)] = weights.right;
    }
}

void StereoMixer::mix(const float* in, std::size_t frames, float* out) const {
    const auto channels = static_cast<std::size_t>(channels_);
    if (channels == 1) {
        for (std::size_t f = 0; f < frames; ++f) out[f] = in[f] * gain_;
        return;
    }
    for (std::size_t f = 0; f < frames; ++f) {
        const float* frame = in + f * channels;
        float left = 0.0f, right = 0.0f;
        for (std::size_t c = 0; c < channels; ++c) {
            left += left_[c] * frame[c];
            right += right_[c] * frame[c];
        }
        out[2 * f] = left * gain_;
        out[2 * f + 1] = right * gain_;
    }
}

}  // namespace corvan::audio
