#pragma once

#include "JsonText.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvan {

enum class ImcVariant { Queued, Looped };

// One numbered value of a record, in plain words: {"offset", 209}, {"length", 100256}.
struct ImcValue {
    std::string name;
    std::int64_t value;
};

struct ImcRecord {
    std::string tag;               // "MCMP", "iMUS", "MAP ", "FRMT", "TEXT", "REGN", "JUMP", "STOP"
    std::size_t offset = 0;        // where the record starts in the file
    std::uint32_t bodyLength = 0;  // for MCMP: the entry length
    std::vector<ImcValue> values;
    std::optional<std::string> text;  // TEXT records; MCMP: its names
};

struct ImcInspection {
    bool wellFormed = false;
    std::string problem;  // one line, when not well-formed
    std::optional<ImcVariant> variant;
    std::vector<ImcRecord> records;  // as far as they could be read
    std::int32_t wavSize = 0;
    std::int64_t wavBytes = 0;  // the WAV byte count that the fields imply
    std::optional<std::int32_t> loopStart, loopEnd;
    std::size_t headerLength = 0;  // 190 or 228 once the variant is known
};

// Inspects the IMC header at the start of `data`, the file's first `size` bytes; `fileSize`
// is the whole file's length. Never reads outside `data`, whatever it holds.
ImcInspection inspectImcHeader(const std::uint8_t* data, std::size_t size, std::uint64_t fileSize);

// One line per record, then the variant, the WAV byte count and the loop.
std::string formatInspection(const ImcInspection& inspection);
// The same as one JSON object.
Json inspectionJson(const ImcInspection& inspection);

}  // namespace corvan
