#include "engine/ImcBuilder.h"
#include "platform/PosixFileSystem.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace corvan::test {
namespace {

struct Encoding {
    std::int32_t value;
    std::array<std::uint8_t, 4> bytes;
    const char* debugText;
};

TEST(LongToBytes, EncodesBigEndianTwosComplementAndShowsItInDebugMode) {
    const Encoding cases[] = {
        {0, {0x00, 0x00, 0x00, 0x00}, "00000000\r0 0 0 0"},
        {209, {0x00, 0x00, 0x00, 0xD1}, "000000D1\r0 0 0 209"},
        {-1, {0xFF, 0xFF, 0xFF, 0xFF}, "FFFFFFFF\r255 255 255 255"},
        {-256, {0xFF, 0xFF, 0xFF, 0x00}, "FFFFFF00\r255 255 255 0"},
        {123456, {0x00, 0x01, 0xE2, 0x40}, "0001E240\r0 1 226 64"},
        {1000000, {0x00, 0x0F, 0x42, 0x40}, "000F4240\r0 15 66 64"},
        {INT32_MAX, {0x7F, 0xFF, 0xFF, 0xFF}, "7FFFFFFF\r127 255 255 255"},
        {INT32_MIN, {0x80, 0x00, 0x00, 0x00}, "80000000\r128 0 0 0"},
    };
    platform::PosixFileSystem files;
    for (const Encoding& c : cases) {
        SCOPED_TRACE(c.value);
        FakeUserInterface user;
        FakeInputs inputs;
        ImcBuilder builder(files, user, inputs);
        EXPECT_EQ(builder.longToBytes(c.value), c.bytes);
        EXPECT_TRUE(user.events.empty());

        inputs.debug = true;
        EXPECT_EQ(builder.longToBytes(c.value), c.bytes);
        EXPECT_EQ(user.events, std::vector<std::string>{std::string("box 0x00: ") + c.debugText});
    }
}

}  // namespace
}  // namespace corvan::test
