#include "TempDir.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <stdlib.h>

namespace corvan::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvan-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::vector<std::string> TempDir::names(const std::string& folder) const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(root_ / folder)) {
        found.push_back(entry.path().filename().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes patternBytes(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 99991);
    return bytes;
}

Bytes gameReadyWav(std::size_t size) {
    Bytes bytes = patternBytes(size);
    const auto data = static_cast<std::uint32_t>(size - 44);
    // The plain header's little-endian words (as on the test machines): RIFF, WAVE, fmt, data.
    const std::uint32_t words[] = {0x46464952, data + 36, 0x45564157, 0x20746d66, 16,  0x00020001,
                                   22050,      88200,     0x00100004, 0x61746164, data};
    std::memcpy(bytes.data(), words, sizeof words);
    return bytes;
}

Bytes concat(const Bytes& a, const Bytes& b) {
    Bytes result = a;
    result.insert(result.end(), b.begin(), b.end());
    return result;
}

}  // namespace corvan::test
