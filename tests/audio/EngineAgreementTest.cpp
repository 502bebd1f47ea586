// The audio library keeps its own copy of the header's loop arithmetic, so that it needs no
// engine; here the two are held against each other: the engine writes real headers and
// their loop fields must be what loopHeaderOffsets computes.

#include "audio/LoopPosition.h"
#include "engine/ImcBuilder.h"
#include "engine/ImcInspector.h"
#include "platform/PosixFileSystem.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace corvan::audio {
namespace {

TEST(EngineAgreement, LoopFieldsOfRealHeaders) {
    test::TempDir dir;
    platform::PosixFileSystem files;
    test::FakeUserInterface user;
    // Odd and even sizes, ties at 1,501 bytes, a 30-second game-ready WAV.
    const std::size_t sizes[] = {1501, 4096, 100001, 999999, 2646044 + 1};
    // Both ends, the ties' sliders, and steps that land between thousandths.
    std::vector<std::int16_t> sliders = {0, 16, 17, 33, 98, 3277, 16384, 29490, 32766, 32767};
    for (int s = 101; s < 32767; s += 2011) sliders.push_back(static_cast<std::int16_t>(s));
    int compared = 0;
    for (const std::size_t size : sizes) {
        test::writeFile(dir.path("song.wav"), test::Bytes(size, 0x55));
        for (std::size_t i = 0; i < sliders.size(); ++i) {
            test::FakeInputs inputs;
            inputs.loop = true;
            inputs.start = sliders[i];
            inputs.end = sliders[(i * 7 + 3) % sliders.size()];
            ImcBuilder builder(files, user, inputs);
            ASSERT_TRUE(builder.convertWav(dir.path("song.wav"), dir.path("song.imc")));
            const test::Bytes imc = test::readFile(dir.path("song.imc"));
            const ImcInspection header = inspectImcHeader(imc.data(), 228, imc.size());
            ASSERT_TRUE(header.loopStart && header.loopEnd) << header.problem;
            const LoopHeaderOffsets ours =
                loopHeaderOffsets(static_cast<std::int64_t>(size), inputs.start, inputs.end);
            EXPECT_EQ(ours.loopStart, *header.loopStart) << size << " " << inputs.start;
            EXPECT_EQ(ours.loopEnd, *header.loopEnd) << size << " " << inputs.end;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 5 * 27);
}

}  // namespace
}  // namespace corvan::audio
