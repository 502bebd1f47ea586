#include "audio/LoudnessMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace corvan::audio {
namespace {

// Ten seconds of a stereo sine at 22,050 Hz with the given peak level.
double measure(double hz, double peakDb, double& truePeakDb) {
    constexpr int kRate = 22050;
    std::vector<float> samples(2 * 10 * kRate);
    const double amplitude = std::pow(10.0, peakDb / 20);
    for (std::size_t i = 0; i < samples.size() / 2; ++i) {
        const float value = static_cast<float>(amplitude * std::sin(2 * M_PI * hz * i / kRate));
        samples[2 * i] = samples[2 * i + 1] = value;
    }
    LoudnessMeter meter(2, kRate);
    meter.add(samples.data(), samples.size() / 4);  // in two blocks, as a reader feeds it
    meter.add(samples.data() + samples.size() / 2, samples.size() / 4);
    truePeakDb = meter.truePeakDb();
    return meter.integratedLufs();
}

TEST(LoudnessMeter, ReadsTheLevelsOfTheStandardsReferenceSignals) {
    double truePeak = 0;
    // 997 Hz at -20 dBFS in both channels is -20 LUFS by the standard's calibration.
    EXPECT_NEAR(measure(997, -20, truePeak), -20.0, 0.1);
    EXPECT_NEAR(truePeak, -20.0, 0.1);
    // The K-weighting counts high frequencies louder: about +3.4 dB at 5 kHz.
    EXPECT_NEAR(measure(5000, -20, truePeak), -16.6, 0.3);
    // A sine near half the rate peaks between its samples, above any sample.
    measure(7350.5, -6, truePeak);
    EXPECT_GT(truePeak, -6.5);
    EXPECT_TRUE(std::isinf(measure(1000, -400, truePeak)));
}

TEST(LoudnessMeter, TheGainReachesTheTargetUnlessTheTruePeakForbids) {
    struct Case {
        double lufs, peak, target;
        double gain;
        bool lowered;
    };
    const Case cases[] = {
        {-23, -10, -18, 5, false},
        {-12, -0.5, -18, -6, false},
        {-23, -3, -18, 2, true},  // +5 dB would put the peak at +2 dBTP
        {-INFINITY, -INFINITY, -18, 0, false},
    };
    for (const Case& c : cases) {
        const LoudnessGain gain = gainForLoudness(c.lufs, c.peak, c.target);
        EXPECT_DOUBLE_EQ(gain.gainDb, c.gain) << c.lufs;
        EXPECT_EQ(gain.lowered, c.lowered) << c.lufs;
        if (std::isfinite(c.lufs)) {
            EXPECT_DOUBLE_EQ(gain.resultLufs, c.lufs + c.gain);
        }
    }
}

}  // namespace
}  // namespace corvan::audio
