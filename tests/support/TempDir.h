#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace corvan::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string path(const std::string& name) const { return (root_ / name).string(); }
    // The names in one of its folders, sorted: what a run left there.
    std::vector<std::string> names(const std::string& folder = "") const;

private:
    std::filesystem::path root_;
};

void writeFile(const std::string& path, const Bytes& bytes);
Bytes readFile(const std::string& path);
// `size` bytes of a pattern that differs from one block of the transfer buffer to the next.
Bytes patternBytes(std::size_t size);
// A game-ready WAV of `size` bytes (44 or more): the plain header, then patternBytes.
Bytes gameReadyWav(std::size_t size);
Bytes concat(const Bytes& a, const Bytes& b);

}  // namespace corvan::test
