// Both header templates across the whole input range: any source length up to past
// 2 GiB, any slider values and maxima, queued or looped, debug on or off. A conversion
// either fails through its failure ending or leaves a header that the inspector reads
// back as a whole header over the length it declares.

#include "engine/ImcBuilder.h"
#include "engine/ImcInspector.h"
#include "support/Fakes.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A source of a given length whose bytes are never looked at, and a target that keeps its
// first bytes (the header) and counts the rest; so a 2 GiB conversion costs no memory.
class MemoryFiles final : public corvan::platform::FileSystem {
public:
    explicit MemoryFiles(std::uint64_t sourceLength) : sourceLength_(sourceLength) {}

    corvan::platform::Handle open(const std::string& path, corvan::platform::OpenMode) override {
        if (path == "source") {
            sourceLeft_ = sourceLength_;
            return 1;
        }
        kept.clear();
        written = 0;
        return 2;
    }
    corvan::platform::IoResult read(corvan::platform::Handle h, std::uint8_t*,
                                    std::uint32_t n) override {
        if (h != 1) return {};
        const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(n, sourceLeft_));
        sourceLeft_ -= count;
        return {true, count};
    }
    corvan::platform::IoResult write(corvan::platform::Handle h, const std::uint8_t* b,
                                     std::uint32_t n) override {
        if (h != 2) return {};
        const std::size_t keep = std::min<std::size_t>(n, kKept - std::min(kKept, kept.size()));
        kept.insert(kept.end(), b, b + keep);
        written += n;
        return {true, n};
    }
    bool close(corvan::platform::Handle) override { return true; }
    std::optional<std::uint64_t> sizeOf(corvan::platform::Handle h) override {
        if (h == 1) return sourceLength_;
        return std::nullopt;
    }
    bool fileExists(const std::string&) override { return false; }
    std::error_code removeFile(const std::string&) override { return {}; }
    std::error_code renameFile(const std::string&, const std::string&) override { return {}; }

    static constexpr std::size_t kKept = 512;
    std::vector<std::uint8_t> kept;
    std::uint64_t written = 0;

private:
    std::uint64_t sourceLength_;
    std::uint64_t sourceLeft_ = 0;
};

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
