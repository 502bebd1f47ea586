#include "audio/RiffChunks.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>

namespace corvan::audio {

namespace {

std::uint32_t littleEndian32(const char* bytes) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

}  // namespace

std::uint64_t RiffLayout::dataBytesPresent() const {
    if (!hasData()) return 0;
    const std::uint64_t start = chunks.back().offset + 8;
    return std::min<std::uint64_t>(chunks.back().length, fileSize > start ? fileSize - start : 0);
}

std::optional<RiffLayout> readRiffLayout(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return std::nullopt;
    RiffLayout layout;
    layout.fileSize = static_cast<std::uint64_t>(in.tellg());
    in.seekg(0);
    std::array<char, 12> riff{};
    if (!in.read(riff.data(), riff.size()) || std::memcmp(riff.data(), "RIFF", 4) != 0 ||
        std::memcmp(riff.data() + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    std::uint64_t offset = riff.size();
    std::array<char, 8> header{};
    while (offset + header.size() <= layout.fileSize) {
        in.seekg(static_cast<std::streamoff>(offset));
        if (!in.read(header.data(), header.size())) break;
        RiffChunk chunk{std::string(header.data(), 4), offset, littleEndian32(header.data() + 4)};
        layout.chunks.push_back(chunk);
        if (chunk.id == "data") break;
        // Chunks are padded to an even length.
        offset += header.size() + chunk.length + (chunk.length & 1u);
    }
    return layout;
}

}  // namespace corvan::audio
