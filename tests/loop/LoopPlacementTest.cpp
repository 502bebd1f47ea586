// The padded copy that moves the slider grid until two of its points land on a loop.

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
