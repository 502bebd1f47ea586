// The seam preview holds exactly what the game plays across the jump.

#include "audio/AudioError.h"
#include "audio/Signals.h"
#include "loop/SeamPreview.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>

namespace corvan::loop {
namespace {

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

// Each frame carries its index: the low 15 bits on the left, the rest on the right.
double ramp(std::int64_t frame, int channel) {
    return static_cast<double>(channel == 0 ? frame & 0x7FFF : frame >> 15) /
           32767.0;  // libsndfile scales by 32767
}
std::int64_t indexAt(const test::Pcm16& pcm, std::int64_t frame) {
    return pcm.samples[2 * frame] | static_cast<std::int64_t>(pcm.samples[2 * frame + 1]) << 15;
}

struct SeamCase {
    std::int64_t start, end;
    double seconds;
    std::int64_t before, after;  // frames expected on each side of the jump
};

TEST(SeamPreview, HoldsTheFramesAroundTheJump) {
    test::TempDir dir;
    constexpr std::int64_t kFrames = 10 * 22050;
    ASSERT_TRUE(test::writeSound(dir.path("game.wav"), kWav16, 22050, 2, kFrames, ramp));
    const SeamCase cases[] = {
        {50000, 200000, 4.0, 88200, 88200},
        {1000, 30000, 4.0, 30000, 88200},                // little before the loop end
        {190000, 210000, 2.0, 44100, kFrames - 190000},  // the file ends 30,500 frames on
        {0, kFrames, 0.5, 11025, 11025},
    };
    for (const SeamCase& c : cases) {
        const std::string out = dir.path("seam.wav");
        const SeamPreviewResult result = writeSeamPreview(
            dir.path("game.wav"), LoopFrames{c.start, c.end, 0, 0}, out, c.seconds);
        EXPECT_EQ(result.framesBeforeJump, c.before);
        EXPECT_EQ(result.framesAfterJump, c.after);
        const test::Pcm16 pcm = test::readPcm16(out);
        ASSERT_EQ(pcm.rate, 22050);
        ASSERT_EQ(pcm.channels, 2);
        ASSERT_EQ(pcm.frames(), c.before + c.after);
        std::int64_t wrong = 0;
        for (std::int64_t f = 0; f < pcm.frames(); ++f) {
            const std::int64_t want = f < c.before ? c.end - c.before + f : c.start + f - c.before;
            wrong += indexAt(pcm, f) != want;
        }
        EXPECT_EQ(wrong, 0) << c.start << "-" << c.end;
        EXPECT_EQ(std::filesystem::file_size(out),
                  44 + 4 * static_cast<std::uintmax_t>(pcm.frames()));
    }
}

TEST(SeamPreview, RefusesALoopOutsideTheSamples) {
    test::TempDir dir;
    ASSERT_TRUE(test::writeSound(dir.path("game.wav"), kWav16, 22050, 2, 22050, ramp));
    ASSERT_TRUE(test::writeSound(dir.path("mono.wav"), kWav16, 22050, 1, 22050, ramp));
    const std::string out = dir.path("seam.wav");
    EXPECT_THROW(writeSeamPreview(dir.path("game.wav"), {100, 22051, 0, 0}, out),
                 audio::AudioError);
    EXPECT_THROW(writeSeamPreview(dir.path("game.wav"), {-1, 1000, 0, 0}, out), audio::AudioError);
    EXPECT_THROW(writeSeamPreview(dir.path("game.wav"), {1000, 1000, 0, 0}, out),
                 audio::AudioError);
    EXPECT_THROW(writeSeamPreview(dir.path("mono.wav"), {100, 1000, 0, 0}, out), audio::AudioError);
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace corvan::loop
