#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvan::audio {

struct RiffChunk {
    std::string id;            // four characters, e.g. "fmt ", "LIST", "data"
    std::uint64_t offset = 0;  // of the chunk's header in the file
    std::uint32_t length = 0;  // as the header declares it, without the header
};

// The chunk headers of a RIFF WAVE file up to and including its data chunk.
struct RiffLayout {
    std::vector<RiffChunk> chunks;
    std::uint64_t fileSize = 0;
    bool hasData() const { return !chunks.empty() && chunks.back().id == "data"; }
    // The bytes of sound data the file really holds, when it has a data chunk.
    std::uint64_t dataBytesPresent() const;
    // A WAV written to a pipe cannot go back to fill in its length and leaves 0xFFFFFFFF.
    bool lengthUnknown() const { return hasData() && chunks.back().length == 0xFFFFFFFFu; }
    // The data chunk promises more bytes than the file holds.
    bool cutShort() const {
        return hasData() && !lengthUnknown() && dataBytesPresent() < chunks.back().length;
    }
};

// Walks the chunk headers (id and length only) of the RIFF WAVE file at `path`; nothing
// when it is not one. It reads no samples: libsndfile decodes, this only tells what lies
// before the samples, which libsndfile does not name.
std::optional<RiffLayout> readRiffLayout(const std::string& path);

}  // namespace corvan::audio
