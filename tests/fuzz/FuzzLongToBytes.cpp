// The field encoder over the whole 32-bit range: the four bytes are the value, most
// significant first, and the debug text shows the same value in hexadecimal and decimal.

#include "engine/ImcBuilder.h"
#include "platform/PosixFileSystem.h"
#include "support/Fakes.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    std::uint32_t bits = 0;
    std::memcpy(&bits, data, 4);
    const auto v = static_cast<std::int32_t>(bits);

    corvan::platform::PosixFileSystem files;
    corvan::test::FakeUserInterface user;
    corvan::test::FakeInputs inputs;
    inputs.debug = true;
    const std::array<std::uint8_t, 4> bytes =
        corvan::ImcBuilder(files, user, inputs).longToBytes(v);
    for (int k = 0; k < 4; ++k) {
        if (bytes[k] != static_cast<std::uint8_t>(bits >> (24 - 8 * k))) std::abort();
    }
    char expected[64];
    std::snprintf(expected, sizeof expected, "%08X\r%u %u %u %u", bits, bytes[0], bytes[1],
                  bytes[2], bytes[3]);
    if (user.events.back() != std::string("box 0x00: ") + expected) std::abort();
    return 0;
}
