// Exact placement: silence behind the loop moves the slider grid until two of its points
// land on the times asked for.

#include "audio/AudioError.h"
#include "audio/Signals.h"
#include "loop/LoopPlacement.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace corvan::loop {
namespace {

struct PlacementCase {
    double lengthSeconds, startSeconds, endSeconds;
};

TEST(LoopPlacement, LandsWithinAMillisecondOnWholeFrames) {
    const PlacementCase cases[] = {
        {30.0, 5.3, 27.1},      {60.0, 1.234, 59.0},  {180.0, 12.5, 170.25}, {45.5, 0.75, 45.5},
        {200.123, 60.1, 190.9}, {240.0, 31.7, 203.3}, {8.0, 2.0, 7.0},       {150.5, 3.21, 140.77},
        {300.0, 42.0, 290.0},   {64.0, 0.5, 63.5},    {120.0, 21.3, 101.7},
    };
    double worst = 0;
    std::int64_t mostPadding = 0;
    for (const PlacementCase& c : cases) {
        const std::int64_t frames = secondsToFrames(c.lengthSeconds);
        const LoopPlacement placement = placeLoop(frames, c.startSeconds, c.endSeconds);
        EXPECT_TRUE(placement.metAim) << c.lengthSeconds << " " << c.startSeconds;
        // What the header will make of the padded file and these sliders.
        const LoopFrames loop = loopFramesFor(audio::gameWavBytes(frames + placement.paddingFrames),
                                              placement.startSlider, placement.endSlider);
        EXPECT_EQ(loop, placement.frames);
        EXPECT_TRUE(loop.onWholeFrames());
        const double startMs = std::abs(framesToSeconds(loop.startFrame) - c.startSeconds) * 1000;
        const double endMs = std::abs(framesToSeconds(loop.endFrame) - c.endSeconds) * 1000;
        EXPECT_LT(startMs, 1.0) << c.startSeconds;
        EXPECT_LT(endMs, 1.0) << c.endSeconds;
        EXPECT_NEAR(placement.startErrorMs, startMs, 1e-6);
        EXPECT_NEAR(placement.endErrorMs, endMs, 1e-6);
        EXPECT_LE(loop.endFrame, frames + placement.paddingFrames);
        worst = std::max({worst, startMs, endMs});
        mostPadding = std::max(mostPadding, placement.paddingFrames);
    }
    std::printf("worst error %.3f ms, most padding %.2f s\n", worst, framesToSeconds(mostPadding));
}

TEST(LoopPlacement, WhatTheGridCannotReachIsReportedAsMissed) {
    // The header's fixed +465 and -256 bytes keep the two points from a round ratio of the
    // length (5 s and 25 s of 30 s); a start 10 ms in lies before the first thousandth of
    // any longer file.
    const PlacementCase cases[] = {{30.0, 5.0, 25.0}, {20.0, 0.01, 19.99}};
    for (const PlacementCase& c : cases) {
        const std::int64_t frames = secondsToFrames(c.lengthSeconds);
        const LoopPlacement placement =
            placeLoop(frames, c.startSeconds, c.endSeconds, {.maxPaddingFrames = 60 * 22050});
        EXPECT_FALSE(placement.metAim);
        const LoopFrames loop = loopFramesFor(audio::gameWavBytes(frames + placement.paddingFrames),
                                              placement.startSlider, placement.endSlider);
        EXPECT_TRUE(loop.onWholeFrames());
        EXPECT_NEAR(placement.worstErrorMs(),
                    std::max(std::abs(framesToSeconds(loop.startFrame) - c.startSeconds),
                             std::abs(framesToSeconds(loop.endFrame) - c.endSeconds)) *
                        1000,
                    1e-6);
        EXPECT_LT(placement.worstErrorMs(), 10.0);
    }
}

TEST(LoopPlacement, AStartBeforeTheFirstReachablePointIsReportedNotMet) {
    // The header's loop start lies at least 220 bytes (55 frames, 2.49 ms) into the samples.
    const LoopPlacement placement =
        placeLoop(secondsToFrames(10), 0.0, 9.0, {.maxPaddingFrames = 22050});
    EXPECT_FALSE(placement.metAim);
    EXPECT_EQ(placement.frames.startFrame, 55);
    EXPECT_NEAR(placement.startErrorMs, 55 * 1000.0 / 22050, 1e-9);
    EXPECT_THROW(placeLoop(secondsToFrames(10), 5.0, 4.0), std::invalid_argument);
    EXPECT_THROW(placeLoop(secondsToFrames(10), 1.0, 10.5), std::invalid_argument);
}

TEST(LoopPlacement, PaddedWavIsTheSamplesThenSilence) {
    test::TempDir dir;
    const auto value = [](std::int64_t f, int c) { return ((f * 7 + c) % 2000 + 1) / 32767.0; };
    ASSERT_TRUE(test::writeSound(dir.path("game.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 2,
                                 30000, value));
    EXPECT_EQ(writePaddedGameWav(dir.path("game.wav"), dir.path("padded.wav"), 12345), 42345);
    const test::Pcm16 pcm = test::readPcm16(dir.path("padded.wav"));
    ASSERT_EQ(pcm.frames(), 42345);
    std::int64_t wrong = 0;
    for (std::int64_t f = 0; f < pcm.frames(); ++f) {
        for (int c = 0; c < 2; ++c) {
            const int want = f < 30000 ? static_cast<int>((f * 7 + c) % 2000 + 1) : 0;
            wrong += pcm.samples[2 * f + c] != want;
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(std::filesystem::file_size(dir.path("padded.wav")), 44u + 4u * 42345u);
    EXPECT_THROW(writePaddedGameWav(dir.path("game.wav"), dir.path("game.wav"), 10),
                 audio::AudioError);
}

}  // namespace
}  // namespace corvan::loop
