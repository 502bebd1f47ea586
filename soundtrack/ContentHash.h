#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace corvan::soundtrack {

// A 128-bit hash of a file's content (XXH3), fed block by block: enough to tell a kept copy
// from one a disk has damaged, fast enough for a whole music folder.
class ContentHash {
public:
    ContentHash();
    ~ContentHash();
    ContentHash(const ContentHash&) = delete;
    ContentHash& operator=(const ContentHash&) = delete;

    void add(const std::uint8_t* data, std::size_t size);
    // The hash of everything added so far, as 32 hex digits.
    std::string hex() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace corvan::soundtrack
