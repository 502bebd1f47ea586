#include "audio/StereoMixer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sndfile.h>

namespace corvan::audio {
namespace {

using testing::ElementsAreArray;
using testing::FloatNear;
using testing::Pointwise;

constexpr float g = 0.70710678f;  // -3 dB

struct Layout {
    const char* name;
    std::vector<int> channelMap;  // empty: as a file that names none
    std::vector<float> left, right;
};

void PrintTo(const Layout& layout, std::ostream* out) {
    *out << layout.name;
}

class MixDown : public testing::TestWithParam<Layout> {};

TEST_P(MixDown, WeighsEachChannelByItsPlace) {
    const Layout& layout = GetParam();
    const auto channels = static_cast<int>(layout.left.size());
    const StereoMixer mixer(channels, layout.channelMap, 0.0);
    EXPECT_THAT(mixer.leftWeights(), Pointwise(FloatNear(1e-6f), layout.left));
    EXPECT_THAT(mixer.rightWeights(), Pointwise(FloatNear(1e-6f), layout.right));

    // One frame with channel c at c + 1 mixes to the weighted sums.
    std::vector<float> frame(static_cast<std::size_t>(channels)), out(2);
    float left = 0, right = 0;
    for (int c = 0; c < channels; ++c) {
        frame[c] = static_cast<float>(c + 1);
        left += layout.left[c] * frame[c];
        right += layout.right[c] * frame[c];
    }
    mixer.mix(frame.data(), 1, out.data());
    EXPECT_THAT(out, Pointwise(FloatNear(1e-5f), std::vector<float>{left, right}));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, MixDown,
    testing::Values(Layout{"Stereo", {}, {1, 0}, {0, 1}},
                    Layout{"ThreeZero", {}, {1, 0, g}, {0, 1, g}},
                    Layout{"Quad", {}, {1, 0, g, 0}, {0, 1, 0, g}},
                    Layout{"FiveZero", {}, {1, 0, g, g, 0}, {0, 1, g, 0, g}},
                    Layout{"FiveOne", {}, {1, 0, g, 0, g, 0}, {0, 1, g, 0, 0, g}},
                    Layout{"SevenOne", {}, {1, 0, g, 0, g, 0, g, 0}, {0, 1, g, 0, 0, g, 0, g}},
                    Layout{"NamedLcrSurround",
                           {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_CENTER, SF_CHANNEL_MAP_RIGHT,
                            SF_CHANNEL_MAP_REAR_CENTER},
                           {1, g, 0, g},
                           {0, g, 1, g}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MixDown, MonoStaysOneChannelScaledByTheGain) {
    const StereoMixer mixer(1, {}, -6.0);
    ASSERT_EQ(mixer.outputChannels(), 1);
    const float in[] = {1.0f, -0.5f};
    float out[2] = {};
    mixer.mix(in, 2, out);
    EXPECT_THAT(out, ElementsAreArray({FloatNear(0.501187f, 1e-6f), FloatNear(-0.250594f, 1e-6f)}));
}

}  // namespace
}  // namespace corvan::audio
