// Refining a loop to the frame: the end moves to where the waveform repeats the start's.

#include "audio/Signals.h"
#include "loop/LoopRefiner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

namespace corvan::loop {
namespace {

// Deterministic noise, -1 to 1.
float noise(std::uint32_t i) {
    std::uint32_t x = i * 0x9E3779B9u;
    x = (x ^ x >> 16) * 0x85EBCA6Bu;
    x = (x ^ x >> 13) * 0xC2B2AE35u;
    x ^= x >> 16;
    return static_cast<float>(static_cast<std::int32_t>(x) / 2147483648.0);
}

TEST(LoopRefiner, FindsTheRepeatWithinTheRadius) {
    // 20,000 samples of noise, repeated 9,000 samples later: the seam is seamless exactly
    // when end - start = 9,000.
    std::vector<float> mono(40000);
    for (std::size_t i = 0; i < mono.size(); ++i) {
        mono[i] = i < 20000 ? noise(i) : 0.0f;
        if (i >= 9000 && i < 29000) mono[i] = noise(i - 9000) + 0.05f * noise(i + 77777);
    }
    const struct {
        std::int64_t start, endGuess, offset;
    } cases[] = {{5000, 14000, 0}, {5000, 14300, -300}, {6000, 14983, 17}, {6000, 14559, 441}};
    for (const auto& c : cases) {
        EXPECT_EQ(bestEndOffset(mono, c.start, c.endGuess, 441, 512), c.offset) << c.endGuess;
        EXPECT_GT(windowCorrelation(mono, c.start, c.endGuess + c.offset, 512), 0.99);
    }
    // Beyond the radius it cannot be found; the windows there hold other noise.
    EXPECT_NE(bestEndOffset(mono, 5000, 14600, 441, 512), -600);
    EXPECT_LT(std::abs(windowCorrelation(mono, 5000, 14600, 512)), 0.2);
}

TEST(LoopRefiner, MovesAGameWavsLoopEndOntoTheRepeat) {
    test::TempDir dir;
    // A 2.4-second pattern of noise bursts with decaying tones, twice, at the game's rate.
    const auto pattern = [](std::int64_t frame) {
        const std::int64_t at = frame % 52920;
        const double t = static_cast<double>(at % 4410) / 22050;
        return 0.4 * std::exp(-20 * t) *
               (0.5 * std::sin(0.05 * static_cast<double>(at)) +
                noise(static_cast<std::uint32_t>(at)));
    };
    ASSERT_TRUE(test::writeSound(dir.path("game.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 2,
                                 3 * 52920, [&](std::int64_t f, int) { return pattern(f); }));
    for (const std::int64_t miss : {-400, -1, 0, 123, 440}) {
        const LoopFrames guess{10000, 10000 + 52920 + miss, 0, 0};
        const RefinedLoop refined = refineLoop(dir.path("game.wav"), guess);
        EXPECT_EQ(refined.endOffset, -miss);
        EXPECT_EQ(refined.frames.endFrame, 10000 + 52920);
        EXPECT_EQ(refined.frames.startFrame, 10000);
        EXPECT_GT(refined.correlationAfter, 0.999);
        EXPECT_GE(refined.correlationAfter, refined.correlationBefore);
        if (std::abs(miss) >= 100) {
            EXPECT_LT(refined.correlationBefore, 0.9) << miss;
        }
    }
}

}  // namespace
}  // namespace corvan::loop
