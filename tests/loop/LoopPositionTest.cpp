// The loop that the sliders give, checked against the header's own arithmetic.

#include "audio/Wording.h"
#include "loop/LoopPosition.h"

#include <gtest/gtest.h>

namespace corvan::loop {
namespace {

struct HeaderCase {
    std::int64_t wavFileBytes;
    int startSlider, endSlider;
    std::int64_t loopStart, loopEnd;  // the header's fields
    std::int64_t dataStart;           // where the WAV's samples begin
};

// Worked by hand from the header's rules: permille = round(slider * 1000 / 32767), position
// = round((bytes - 1) / 1000 * permille), ties to even; +465 and -256.
const HeaderCase kHeaderCases[] = {
    {1000001, 3277, 29490, 100465, 899744, 44},    // 100 and 900 thousandths
    {1000001, 0, 0, 465, -256, 44},                // the sliders as the window opens
    {1000001, 32767, 32767, 1000465, 999744, 44},  // the loop start beyond the end
    {1501, 33, 98, 467, 4 - 256, 44},              // 1.5 -> 2 and 4.5 -> 4: ties to even
    {1501, 98, 33, 469, 2 - 256, 44},
    {2646045, 16384, 32767, 1323487, 2645788, 44},  // 500 and 1000 thousandths
    // Samples said to start at byte 8: the region offset 209 + 4k is frame k.
    {1000001, 3277, 29490, 100465, 899744, 8},
};

TEST(LoopPosition, FramesAreTheHeaderFieldsLess201AndTheSamplesStart) {
    for (const HeaderCase& c : kHeaderCases) {
        SCOPED_TRACE(std::to_string(c.wavFileBytes) + " " + std::to_string(c.startSlider));
        const LoopHeaderOffsets offsets =
            loopHeaderOffsets(c.wavFileBytes, c.startSlider, c.endSlider);
        EXPECT_EQ(offsets.loopStart, c.loopStart);
        EXPECT_EQ(offsets.loopEnd, c.loopEnd);
        const LoopFrames loop =
            loopFramesFor(c.wavFileBytes, c.startSlider, c.endSlider, c.dataStart);
        EXPECT_EQ(loop.startFrame * 4 + loop.startByteRemainder, c.loopStart - 201 - c.dataStart);
        EXPECT_EQ(loop.endFrame * 4 + loop.endByteRemainder, c.loopEnd - 201 - c.dataStart);
        for (const int remainder : {loop.startByteRemainder, loop.endByteRemainder}) {
            EXPECT_GE(remainder, 0);
            EXPECT_LT(remainder, 4);
        }
    }
    // 1,000,001 bytes: 25,055 frames in, and a jump position inside a frame.
    const LoopFrames plain = loopFramesForPermille(1000001, 100, 900);
    EXPECT_EQ(plain, (LoopFrames{25055, 224874, 0, 3}));
    EXPECT_FALSE(plain.onWholeFrames());
}

TEST(LoopPosition, EveryPermilleHasASliderThatGivesIt) {
    for (int permille = 0; permille <= imc::kPermilleMax; ++permille) {
        const int slider = imc::sliderForPermille(permille);
        ASSERT_GE(slider, 0);
        ASSERT_LE(slider, imc::kSliderMax);
        ASSERT_EQ(imc::permilleForSlider(slider), permille) << slider;
    }
    EXPECT_EQ(imc::permilleForSlider(imc::kSliderMax), 1000);
    EXPECT_EQ(imc::permilleForSlider(16), 0);  // 0.488
    EXPECT_EQ(imc::permilleForSlider(17), 1);  // 0.519
}

TEST(LoopPosition, TimesAndFrames) {
    const struct {
        double seconds;
        std::int64_t frames;
        const char* text;
    } cases[] = {
        {0.0, 0, "0:00.000"},     {1.0, 22050, "0:01.000"},          {61.5, 1356075, "1:01.500"},
        {0.0005, 11, "0:00.001"}, {599.9996, 13229991, "10:00.000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(secondsToFrames(c.seconds), c.frames) << c.seconds;
        EXPECT_EQ(audio::formatTime(c.seconds), c.text) << c.seconds;
    }
    EXPECT_DOUBLE_EQ(framesToSeconds(33075), 1.5);
    EXPECT_EQ(audio::formatTime(-2.25), "-0:02.250");
}

}  // namespace
}  // namespace corvan::loop
