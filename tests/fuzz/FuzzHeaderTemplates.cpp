// Both header templates across the whole input range: any source length up to past
// 2 GiB, any slider values and maxima, queued or looped, debug on or off. A conversion
// either fails through its failure ending or leaves a header that the inspector reads
// back as a whole header over the length it declares.

#include "engine/ImcBuilder.h"
#include "engine/ImcInspector.h"
#include "support/Fakes.h"
#include "support/MemoryFiles.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using corvan::test::MemoryFiles;

template <typename T>
T take(const std::uint8_t*& data, std::size_t& size) {
    T value{};
    const std::size_t n = std::min(sizeof value, size);
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    corvan::test::FakeInputs inputs;
    // Lengths up to 2^31 + 2^20, past the largest the header's numbers can hold.
    const std::uint64_t length = take<std::uint32_t>(data, size) % ((1ULL << 31) + (1ULL << 20));
    const auto flags = take<std::uint8_t>(data, size);
    inputs.loop = flags & 1;
    inputs.debug = flags & 2;
    inputs.start = take<std::int16_t>(data, size);
    inputs.end = take<std::int16_t>(data, size);
    if (flags & 4) {  // maxima other than 32767, zero included
        inputs.startMax = take<std::int16_t>(data, size);
        inputs.endMax = take<std::int16_t>(data, size);
    }

    MemoryFiles files(length);
    corvan::test::FakeUserInterface user;
    const bool saved = corvan::ImcBuilder(files, user, inputs).convertWav("source", "target");
    if (!saved) {
        if (user.events.back() != "box 0x10: IMC Generation Failed!") std::abort();
        return 0;
    }
    if (length > 0x7fffffffULL) std::abort();  // the numbers cannot hold it
    const std::size_t header = inputs.loop ? 228 : 190;
    if (files.written != header + length) std::abort();
    const bool usual = inputs.startMax == 32767 && inputs.endMax == 32767 && 0 <= inputs.start &&
                       inputs.start <= inputs.end;
    const corvan::ImcInspection inspection =
        corvan::inspectImcHeader(files.kept.data(), files.kept.size(), files.written);
    if (usual && (!inspection.wellFormed || inspection.headerLength != header ||
                  static_cast<std::uint64_t>(inspection.wavBytes) != length)) {
        std::abort();
    }
    return 0;
}
