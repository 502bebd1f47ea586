#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace corvan {

// A zero-filled byte array with indices 0 to kUpperIndex. Reads ask for kUpperIndex bytes
// (the upper index, not the length), so the last byte is never used. Indexing is checked.
class ByteBuffer {
public:
    static constexpr std::uint32_t kUpperIndex = 100000;

    // Throws RuntimeError(OutOfMemory) when the memory cannot be had.
    ByteBuffer();

    std::uint8_t& at(std::size_t index);
    std::uint8_t* data() { return bytes_.get(); }
    const std::uint8_t* data() const { return bytes_.get(); }
    static constexpr std::size_t size() { return kUpperIndex + 1; }

private:
    std::unique_ptr<std::uint8_t[]> bytes_;
};

}  // namespace corvan
