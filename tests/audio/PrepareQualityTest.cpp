// The sound that comes out of prepareGameWav, measured on tones the tests write themselves.

#include "Signals.h"
#include "audio/AudioPreparer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

namespace corvan::audio {
namespace {

using test::Pcm16;
using test::Spectrum;
using test::toDb;

constexpr int kWav24 = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
constexpr std::int64_t kFftSize = 65536;
constexpr std::int64_t kSkip = 4096;  // past the filter's start

Pcm16 prepareTone(test::TempDir& dir, int rate, int channels, double frequency, double dbfs) {
    const std::string source = dir.path("tone.wav"), output = dir.path("out.wav");
    EXPECT_TRUE(test::writeSine(source, kWav24, rate, channels, 4.0, frequency, dbfs));
    prepareGameWav(source, output);
    return test::readPcm16(output);
}

double dbfsOf(double amplitude) {
    return toDb(amplitude / 32768.0);
}

TEST(PrepareQuality, MonoSineComesOutCleanInBothChannels) {
    test::TempDir dir;
    const Pcm16 out = prepareTone(dir, 44100, 1, 1000, -1.0);
    ASSERT_EQ(out.channels, 2);
    ASSERT_EQ(out.rate, 22050);
    for (std::int64_t f = 0; f < out.frames(); ++f) {
        ASSERT_EQ(out.samples[2 * f], out.samples[2 * f + 1]) << "frame " << f;
    }
    const Spectrum spectrum(out.channel(0, kSkip, kFftSize), out.rate);
    const double level = dbfsOf(spectrum.amplitudeAt(1000));
    const double thdN = spectrum.thdPlusNoiseDb(1000);
    RecordProperty("level_dbfs", std::to_string(level));
    RecordProperty("thd_n_db", std::to_string(thdN));
    EXPECT_NEAR(level, -1.0, 0.1);
    EXPECT_LT(thdN, -85.0);
}

TEST(PrepareQuality, ToneAboveTheNewNyquistLeavesNoAlias) {
    test::TempDir dir;
    const Pcm16 out = prepareTone(dir, 44100, 2, 15000, -1.0);
    const Spectrum spectrum(out.channel(0, kSkip, kFftSize), out.rate);
    // 15 kHz folds to 22,050 - 15,000 = 7,050 Hz.
    const double alias = dbfsOf(spectrum.amplitudeAt(7050));
    RecordProperty("alias_dbfs", std::to_string(alias));
    EXPECT_LT(alias, -1.0 - 100.0);
}

TEST(PrepareQuality, HighToneInThePassbandKeepsItsLevel) {
    test::TempDir dir;
    const Pcm16 out = prepareTone(dir, 44100, 2, 9000, -6.0);
    const Spectrum spectrum(out.channel(1, kSkip, kFftSize), out.rate);
    EXPECT_NEAR(dbfsOf(spectrum.amplitudeAt(9000)), -6.0, 0.1);
}

// A tone of a third of a 16-bit step rounds to silence without dither; with a TPDF dither it
// survives at its level, in noise, which is the same on every run.
TEST(PrepareQuality, DitherKeepsAToneSmallerThanOneStep) {
    test::TempDir dir;
    const double dbfs = toDb(0.35 / 32768.0);
    const Pcm16 out = prepareTone(dir, 44100, 1, 1000, dbfs);
    const std::vector<double> samples = out.channel(0, kSkip, kFftSize);
    EXPECT_NEAR(dbfsOf(Spectrum(samples, out.rate).amplitudeAt(1000)), dbfs, 1.0);
    // A TPDF dither of +-1 step leaves a quarter of a squared step of noise; the tone is 0.35^2/2.
    double power = 0;
    for (const double sample : samples) power += sample * sample;
    EXPECT_NEAR(power / kFftSize - 0.35 * 0.35 / 2, 0.25, 0.02);
    EXPECT_TRUE(prepareTone(dir, 44100, 1, 1000, dbfs).samples == out.samples) << "a second run";
}

class FrameCount : public testing::TestWithParam<int> {};

TEST_P(FrameCount, FollowsTheRateRatio) {
    test::TempDir dir;
    const int rate = GetParam();
    const std::int64_t frames = 3 * rate + 37;
    const std::string source = dir.path("in.wav"), output = dir.path("out.wav");
    ASSERT_TRUE(test::writeSound(source, kWav24, rate, 2, frames,
                                 [](std::int64_t f, int) { return 0.001 * (f % 7); }));
    const PrepareResult result = prepareGameWav(source, output);
    const double expected = std::round(static_cast<double>(frames) * 22050 / rate);
    EXPECT_NEAR(static_cast<double>(result.framesWritten), expected, 1.0);
    EXPECT_EQ(test::readPcm16(output).frames(), result.framesWritten);
}

INSTANTIATE_TEST_SUITE_P(Rates, FrameCount, testing::Values(1, 8000, 44100, 48000, 96000));

}  // namespace
}  // namespace corvan::audio
