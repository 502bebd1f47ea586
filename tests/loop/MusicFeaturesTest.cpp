// What the features say about tones whose pitch and level are known.

#include "audio/Signals.h"
#include "loop/MusicFeatures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>

namespace corvan::loop {
namespace {

std::vector<float> sine(double hz, double dbfs, double seconds, int rate = 11025) {
    std::vector<float> samples(static_cast<std::size_t>(seconds * rate));
    const double amplitude = std::pow(10.0, dbfs / 20);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate));
    }
    return samples;
}

int loudestPitchClass(const PositionFeatures::Block& block) {
    return static_cast<int>(std::max_element(block.chroma.begin(), block.chroma.end()) -
                            block.chroma.begin());
}

TEST(MusicFeatures, PitchClassAndLevelOfTones) {
    // Down at E2 a semitone (5 Hz) is narrower than the window's main lobe, so some of the
    // tone spills into the neighbouring classes.
    const struct {
        double hz;
        int pitchClass;  // C = 0
        float share;     // the least of the chroma vector's length in that class
    } tones[] = {{261.63, 0, 0.95f},
                 {440.0, 9, 0.95f},
                 {196.0, 7, 0.95f},
                 {1108.73, 1, 0.95f},
                 {82.41, 4, 0.75f}};
    for (const auto& tone : tones) {
        const PositionFeatures at = MusicFeatures::fromSamples(sine(tone.hz, -20, 6), 11025).at(4);
        for (const auto& block : at.blocks) {
            EXPECT_EQ(loudestPitchClass(block), tone.pitchClass) << tone.hz;
            EXPECT_GT(block.chroma[tone.pitchClass], tone.share) << tone.hz;
        }
    }
    // Levels follow the tone's: 20 dB apart, within half a dB.
    const PositionFeatures loud = MusicFeatures::fromSamples(sine(440, -20, 6), 11025).at(4);
    const PositionFeatures quiet = MusicFeatures::fromSamples(sine(440, -40, 6), 11025).at(4);
    EXPECT_NEAR(loud.blocks[3].levelDb - quiet.blocks[3].levelDb, 20.0, 0.5);
}

TEST(MusicFeatures, SilenceAndTheEdgesOfTheRecording) {
    std::vector<float> samples(11025 * 6, 0.0f);
    const std::vector<float> tone = sine(440, -20, 3);
    std::copy(tone.begin(), tone.end(), samples.begin() + 11025 * 3);  // silent, then a tone
    const MusicFeatures features = MusicFeatures::fromSamples(samples, 11025);
    const PositionFeatures atOnset = features.at(3.0);
    // The window (186 ms) reaches the tone only from the last block before it.
    for (int b = 0; b < kBlocksBefore - 1; ++b) {
        EXPECT_EQ(atOnset.blocks[b].levelDb, -90) << b;
        EXPECT_EQ(
            *std::max_element(atOnset.blocks[b].chroma.begin(), atOnset.blocks[b].chroma.end()),
            0.0f);
    }
    EXPECT_LT(atOnset.blocks[kBlocksBefore - 1].levelDb,
              atOnset.blocks[kBlocksBefore + 1].levelDb - 10);
    EXPECT_GT(atOnset.blocks[kBlocksBefore + 1].levelDb, -25);
    // The tone's start is a beat, the last second of silence before it has none.
    EXPECT_GT(*std::max_element(atOnset.rhythm.begin(), atOnset.rhythm.end()), 0.5f);
    const PositionFeatures inSilence = features.at(1.5);
    EXPECT_EQ(*std::max_element(inSilence.rhythm.begin(), inSilence.rhythm.end()), 0.0f);
    // Before the first sample there is only silence.
    EXPECT_EQ(features.at(0.0).blocks[0].levelDb, -90);
}

TEST(MusicFeatures, ReadsAnyRecordingAsMonoAtTheAnalysisRate) {
    test::TempDir dir;
    // 44.1 kHz stereo, 440 Hz on the left only: the mix halves it (-6 dB).
    ASSERT_TRUE(test::writeSound(dir.path("in.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2,
                                 44100 * 5, [](std::int64_t f, int c) {
                                     return c == 0 ? 0.5 * std::sin(2 * std::numbers::pi * 440 *
                                                                    static_cast<double>(f) / 44100)
                                                   : 0.0;
                                 }));
    const MusicFeatures features = MusicFeatures::fromFile(dir.path("in.flac"));
    EXPECT_EQ(features.rate(), 11025);
    EXPECT_EQ(features.sourceRate(), 44100);
    EXPECT_EQ(features.sourceFrames(), 44100 * 5);
    EXPECT_NEAR(features.seconds(), 5.0, 0.001);
    const PositionFeatures at = features.at(3.5);
    EXPECT_EQ(loudestPitchClass(at.blocks[2]), 9);
    const PositionFeatures reference =
        MusicFeatures::fromSamples(sine(440, -12.04, 5), 11025).at(3.5);
    EXPECT_NEAR(at.blocks[2].levelDb, reference.blocks[2].levelDb, 0.2);
}

// Each analysis owns its transform, so two running at once (as two windows may) give what
// each gives alone.
TEST(MusicFeatures, TwoAnalysesAtOnceGiveWhatEachGivesAlone) {
    const std::vector<float> low = sine(196, -20, 20), high = sine(1108.73, -30, 20);
    const PositionFeatures lowAlone = MusicFeatures::fromSamples(low, 11025).at(10);
    const PositionFeatures highAlone = MusicFeatures::fromSamples(high, 11025).at(10);
    for (int round = 0; round < 4; ++round) {
        PositionFeatures highTogether;
        std::thread other([&] { highTogether = MusicFeatures::fromSamples(high, 11025).at(10); });
        const PositionFeatures lowTogether = MusicFeatures::fromSamples(low, 11025).at(10);
        other.join();
        for (int b = 0; b < kBlocks; ++b) {
            EXPECT_EQ(lowTogether.blocks[b].chroma, lowAlone.blocks[b].chroma) << round;
            EXPECT_EQ(lowTogether.blocks[b].bandsDb, lowAlone.blocks[b].bandsDb) << round;
            EXPECT_EQ(highTogether.blocks[b].chroma, highAlone.blocks[b].chroma) << round;
            EXPECT_EQ(highTogether.blocks[b].bandsDb, highAlone.blocks[b].bandsDb) << round;
        }
    }
}

}  // namespace
}  // namespace corvan::loop
