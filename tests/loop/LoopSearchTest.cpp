#include "loop/LoopLanding.h"
#include "loop/LoopSearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <thread>

namespace corvan::loop {
namespace {

constexpr int kRate = 22050;

// Made-up music: an intro, a phrase of `phraseFrames` repeated, an outro, and noise 40 dB
// down throughout. The phrase is notes of a few pitches with a percussive tick on each; from
// repetition `brightFrom` on, a layer of 5 to 11 kHz tones joins in.
GameSamples music(std::int64_t phraseFrames, int repeats, int brightFrom = 1000) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 0.01 / 3);
    const std::int64_t intro = 3 * kRate, outro = 4 * kRate;
    const std::int64_t total = intro + phraseFrames * repeats + outro;
    GameSamples samples;
    samples.interleaved.resize(2 * total);
    const double notes[] = {220, 277.2, 329.6, 440, 392, 293.7, 246.9, 349.2};
    const int noteCount = 8;
    for (std::int64_t f = 0; f < total; ++f) {
        double value = 0;
        if (f < intro) {
            value = 0.3 * std::sin(2 * M_PI * 110 * f / kRate) * f / intro;
        } else if (f < intro + phraseFrames * repeats) {
            const std::int64_t inPhrase = (f - intro) % phraseFrames;
            const std::int64_t noteLength = phraseFrames / noteCount;
            const int note =
                static_cast<int>(std::min<std::int64_t>(inPhrase / noteLength, noteCount - 1));
            const double t = double(inPhrase - note * noteLength) / kRate;
            value = 0.35 * std::exp(-3 * t) * std::sin(2 * M_PI * notes[note] * t) +
                    0.2 * std::exp(-60 * t) * std::sin(2 * M_PI * 1800 * t);
            if ((f - intro) / phraseFrames >= brightFrom) {
                const double u = double(f) / kRate;
                value += 0.05 * (std::sin(2 * M_PI * 6100 * u) + std::sin(2 * M_PI * 8300 * u) +
                                 std::sin(2 * M_PI * 10400 * u));
            }
        } else {
            value = 0.25 * std::sin(2 * M_PI * 155 * f / kRate) * (total - f) / outro;
        }
        for (int c = 0; c < 2; ++c) {
            const double sample = (value + noise(random)) * 32767;
            samples.interleaved[2 * f + c] =
                static_cast<std::int16_t>(std::clamp(sample, -32768.0, 32767.0));
        }
    }
    return samples;
}

TEST(LoopSearch, TheTopLoopIsAWholeNumberOfPhrasesToTheSampleAndLandsExactly) {
    // Phrase lengths that are no whole number of the analysis's steps.
    for (const std::int64_t phrase : {std::int64_t{40517}, std::int64_t{52931}}) {
        SCOPED_TRACE(phrase);
        const GameSamples samples = music(phrase, 6);
        const std::vector<FoundLoop> loops = findLoops(samples);
        ASSERT_FALSE(loops.empty());
        const FoundLoop& top = loops.front();
        EXPECT_EQ(top.lengthFrames() % phrase, 0) << top.startFrame << " " << top.endFrame;
        EXPECT_GE(top.lengthFrames(), samples.frames() / 3);
        EXPECT_LT(top.seam.step, 3.0);
        // Distinct suggestions: never the same length less than a beat apart.
        for (std::size_t i = 1; i < loops.size(); ++i) {
            for (std::size_t j = 0; j < i; ++j) {
                EXPECT_FALSE(loops[i].lengthFrames() == loops[j].lengthFrames() &&
                             std::abs(loops[i].startFrame - loops[j].startFrame) < kRate / 10);
            }
        }
        const std::optional<Landing> landing = landLoop(samples, top.startFrame, top.endFrame);
        ASSERT_TRUE(landing);
        EXPECT_TRUE(landing->exact());
        EXPECT_EQ(landing->frames.lengthFrames(), top.lengthFrames());
        EXPECT_LE(std::abs(landing->shiftFrames), 1543);
        EXPECT_EQ(landing->frames,
                  loopFramesForPermille(4 * (samples.frames() + landing->paddingFrames) + 44,
                                        landing->startPermille, landing->endPermille));
    }
}

TEST(LoopSearch, ABrightLayerThatEntersLateIsNeverCut) {
    const std::int64_t phrase = 44101;
    const GameSamples samples = music(phrase, 10, 3);
    const std::int64_t entry = 3 * kRate + 3 * phrase;
    const std::vector<FoundLoop> loops = findLoops(samples);
    ASSERT_FALSE(loops.empty());
    EXPECT_FALSE(loops.front().startFrame < entry && loops.front().endFrame > entry)
        << loops.front().startFrame << " " << loops.front().endFrame;
}

TEST(LoopSearch, TwoSearchesAtOnceFindWhatEachFindsAlone) {
    // FFTW's planner is shared by the whole process; its plans are made one at a time.
    const GameSamples first = music(40517, 6), second = music(52931, 5);
    const auto frames = [](const std::vector<FoundLoop>& loops) {
        std::vector<std::pair<std::int64_t, std::int64_t>> all;
        for (const FoundLoop& loop : loops) all.emplace_back(loop.startFrame, loop.endFrame);
        return all;
    };
    const auto firstAlone = frames(findLoops(first)), secondAlone = frames(findLoops(second));
    std::vector<FoundLoop> together;
    std::thread other([&] { together = findLoops(second); });
    EXPECT_EQ(frames(findLoops(first)), firstAlone);
    other.join();
    EXPECT_EQ(frames(together), secondAlone);
}

TEST(LoopLanding, LandsEveryLoopExactlyOrSaysHowFarOff) {
    GameSamples samples;
    samples.interleaved.assign(2 * 4'000'000, 0);
    struct Case {
        std::int64_t start, end;
        bool exact;
    };
    const Case cases[] = {
        {1'000'000, 3'000'000, true},
        {123'457, 3'999'000, true},
        {2'500'001, 3'700'013, true},
        // The whole recording: the header's first loop start is frame 55, and the end
        // cannot move past the music.
        {0, 4'000'000, false},
        // Shorter than one thousandth of the file: no two thousandths are that close.
        {2'000'000, 2'000'100, false},
    };
    for (const Case& c : cases) {
        const std::optional<Landing> landing = landLoop(samples, c.start, c.end);
        ASSERT_TRUE(landing) << c.start;
        EXPECT_EQ(landing->exact(), c.exact) << c.start;
        EXPECT_TRUE(landing->frames.onWholeFrames());
        EXPECT_EQ(std::abs(landing->frames.lengthFrames() - (c.end - c.start)),
                  landing->offByFrames);
        if (c.exact) {
            EXPECT_LE(std::abs(landing->shiftFrames), 1543) << c.start;
        }
    }
}

}  // namespace
}  // namespace corvan::loop
