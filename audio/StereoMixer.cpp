#include "audio/StereoMixer.h"

#include <sndfile.h>

#include <cmath>

namespace corvan::audio {

namespace {

constexpr float kMinus3Db = 0.70710678f;

// The usual layout of a file of 3 to 8 channels that names none: 3.0, quad, 5.0, 5.1, 6.1,
// 7.1, each in the WAVE order.
std::vector<int> defaultLayout(int channels) {
    constexpr int FL = SF_CHANNEL_MAP_FRONT_LEFT, FR = SF_CHANNEL_MAP_FRONT_RIGHT,
                  FC = SF_CHANNEL_MAP_FRONT_CENTER, LFE = SF_CHANNEL_MAP_LFE,
                  BL = SF_CHANNEL_MAP_REAR_LEFT, BR = SF_CHANNEL_MAP_REAR_RIGHT,
                  BC = SF_CHANNEL_MAP_REAR_CENTER, SL = SF_CHANNEL_MAP_SIDE_LEFT,
                  SR = SF_CHANNEL_MAP_SIDE_RIGHT;
    switch (channels) {
        case 2:
            return {FL, FR};
        case 3:
            return {FL, FR, FC};
        case 4:
            return {FL, FR, BL, BR};
        case 5:
            return {FL, FR, FC, BL, BR};
        case 6:
            return {FL, FR, FC, LFE, BL, BR};
        case 7:
            return {FL, FR, FC, LFE, BC, SL, SR};
        default:
            return {FL, FR, FC, LFE, BL, BR, SL, SR};
    }
}

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
    const std::vector<int> layout = channelMap.empty() ? defaultLayout(channels) : channelMap;
    for (int c = 0; c < channels; ++c) {
        // Channels beyond the layout have no known place.
        const auto index = static_cast<std::size_t>(c);
        const Weights weights =
            weightsOf(index < layout.size() ? layout[index] : SF_CHANNEL_MAP_INVALID);
        left_[index] = weights.left;
        right_[index] = weights.right;
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
