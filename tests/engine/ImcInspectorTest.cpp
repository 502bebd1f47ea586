#include "engine/ImcBuilder.h"
#include "engine/ImcInspector.h"
#include "platform/PosixFileSystem.h"
#include "support/EngineOutput.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <random>

namespace corvan::test {
namespace {

Bytes converted(bool loop, std::size_t sourceSize) {
    TempDir dir;
    writeFile(dir.path("a.wav"), patternBytes(sourceSize));
    return engineOutput(dir.path("a.wav"), loop, 3277, 29490);
}

ImcInspection inspect(const Bytes& file) {
    return inspectImcHeader(file.data(), file.size(), file.size());
}

TEST(ImcInspector, ReadsBothVariantsBack) {
    const ImcInspection looped = inspect(converted(true, 1000001));
    ASSERT_TRUE(looped.wellFormed) << looped.problem;
    EXPECT_EQ(looped.variant, ImcVariant::Looped);
    EXPECT_EQ(looped.wavBytes, 1000001);
    EXPECT_EQ(looped.loopStart, 100465);
    EXPECT_EQ(looped.loopEnd, 899744);
    EXPECT_EQ(looped.records.size(), 12u);  // container, block, table and nine records

    const ImcInspection empty = inspect(converted(false, 0));
    ASSERT_TRUE(empty.wellFormed) << empty.problem;
    EXPECT_EQ(empty.variant, ImcVariant::Queued);
    EXPECT_EQ(empty.wavSize, -1);
    EXPECT_FALSE(empty.loopStart);
    EXPECT_EQ(empty.records.size(), 10u);
}

TEST(ImcInspector, RefusesAnyByteOrLengthThatDisagrees) {
    for (bool loop : {false, true}) {
        const Bytes good = converted(loop, 5000);
        const std::size_t header = loop ? 228 : 190;
        // Each header byte changed in turn, constants and fields alike.
        for (std::size_t i = 0; i < header; ++i) {
            Bytes bad = good;
            bad[i] ^= 0x01;
            EXPECT_FALSE(inspect(bad).wellFormed) << "byte " << i << (loop ? " looped" : " queued");
        }
        Bytes longer = good;
        longer.push_back(0);
        EXPECT_EQ(inspect(longer).problem,
                  "the file holds 5001 WAV bytes, its header declares 5000");
        const ImcInspection cut = inspectImcHeader(good.data(), header - 1, good.size());
        EXPECT_FALSE(cut.wellFormed);
    }
}

TEST(ImcInspector, SurvivesRandomBytesBehindAGoodStart) {
    const Bytes good = converted(true, 100);
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes(random() % 300);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        // Keep a valid prefix now and then, so the decoder gets past the container.
        const std::size_t keep = std::min<std::size_t>(bytes.size(), random() % 80);
        std::copy(good.begin(), good.begin() + keep, bytes.begin());
        EXPECT_FALSE(inspect(bytes).wellFormed);
        formatInspection(inspect(bytes));
    }
}

}  // namespace
}  // namespace corvan::test
