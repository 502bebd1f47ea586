#include "ImcInspector.h"

#include <cstdio>
#include <sstream>

namespace corvan {

namespace {

// The two templates, 16 bytes to a row: two hex digits are a constant byte, a letter and a
// digit byte 0 to 3 of a computed field. S is the size, L the loop start, P the loop end,
// R, M, T, E the fields derived from them.
constexpr const char* kLoopedTemplate =
    "4D 43 4D 50 00 01 00 S0 S1 S2 S3 S0 S1 S2 S3 00 0A 4E 55 4C 4C 00 56 49 4D 41 00 69 4D 55 53 "
    "C9 "
    "80 A2 00 4D 41 50 20 00 00 00 B9 46 52 4D 54 00 00 00 14 00 00 00 D1 00 00 00 01 00 00 00 10 "
    "00 "
    "00 56 22 00 00 00 02 54 45 58 54 00 00 00 10 00 00 00 D1 43 6F 72 76 61 6E 31 30 20 20 20 00 "
    "54 "
    "45 58 54 00 00 00 1A 00 00 00 D1 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A "
    "2A "
    "00 52 45 47 4E 00 00 00 08 00 00 00 D1 R0 R1 R2 R3 54 45 58 54 00 00 00 07 L0 L1 L2 L3 6C 70 "
    "00 "
    "52 45 47 4E 00 00 00 08 L0 L1 L2 L3 M0 M1 M2 M3 4A 55 4D 50 00 00 00 10 P0 P1 P2 P3 L0 L1 L2 "
    "L3 "
    "00 00 00 00 00 00 01 F4 52 45 47 4E 00 00 00 08 P0 P1 P2 P3 T0 T1 T2 T3 53 54 4F 50 00 00 00 "
    "04 "
    "S0 S1 S2 S3";
constexpr const char* kQueuedTemplate =
    "4D 43 4D 50 00 01 00 S0 S1 S2 S3 S0 S1 S2 S3 00 0A 4E 55 4C 4C 00 56 49 4D 41 00 69 4D 55 53 "
    "DB "
    "F3 06 00 4D 41 50 20 00 00 00 93 46 52 4D 54 00 00 00 14 00 00 00 AB 00 00 00 01 00 00 00 10 "
    "00 "
    "00 56 22 00 00 00 02 54 45 58 54 00 00 00 0D 00 00 00 AB 43 6F 72 76 61 6E 31 30 00 54 45 58 "
    "54 "
    "00 00 00 1D 00 00 00 AB 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A "
    "2A "
    "00 52 45 47 4E 00 00 00 08 00 00 00 AB R0 R1 R2 R3 54 45 58 54 00 00 00 09 E0 E1 E2 E3 5F 65 "
    "6E "
    "64 00 52 45 47 4E 00 00 00 08 E0 E1 E2 E3 00 00 01 00 53 54 4F 50 00 00 00 04 S0 S1 S2 S3";

constexpr std::size_t kInnerLengthOffset = 31;

// Bounds-checked big-endian reads; out-of-range reads give nothing.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool has(std::size_t offset, std::size_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    std::uint8_t u8(std::size_t offset) const { return has(offset, 1) ? data_[offset] : 0; }
    std::uint32_t u32(std::size_t offset) const {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < 4; ++i) v = v << 8 | u8(offset + i);
        return v;
    }
    std::int32_t s32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
    std::string chars(std::size_t offset, std::size_t length) const {
        std::string text;
        for (std::size_t i = 0; i < length && has(offset + i, 1); ++i) {
            text += static_cast<char>(data_[offset + i]);
        }
        return text;
    }
    // A zero-terminated text within [offset, end).
    std::string zeroTerminated(std::size_t offset, std::size_t end) const {
        std::string text;
        for (std::size_t i = offset; i < end && has(i, 1) && data_[i] != 0; ++i) {
            text += static_cast<char>(data_[i]);
        }
        return text;
    }
    std::size_t size() const { return size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

std::string hexByte(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
    return text;
}

std::string printable(const std::string& text) {
    std::string result;
    for (unsigned char c : text) result += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    return result;
}

ImcRecord decodeRecord(const Bytes& bytes, std::size_t offset, std::size_t end) {
    ImcRecord record;
    record.tag = bytes.chars(offset, 4);
    record.offset = offset;
    record.bodyLength = bytes.u32(offset + 4);
    const std::size_t body = offset + 8;
    auto value = [&](const char* name, std::size_t at) {
        record.values.push_back({name, bytes.s32(body + at)});
    };
    if (record.tag == "FRMT") {
        value("data offset", 0);
        value("unknown", 4);
        value("bits per sample", 8);
        value("sample rate", 12);
        value("channels", 16);
    } else if (record.tag == "TEXT") {
        value("offset", 0);
        record.text = printable(bytes.zeroTerminated(body + 4, end));
    } else if (record.tag == "REGN") {
        value("offset", 0);
        value("length", 4);
    } else if (record.tag == "JUMP") {
        value("position", 0);
        value("destination", 4);
        value("unknown", 8);
        value("unknown", 12);
    } else if (record.tag == "STOP") {
        value("offset", 0);
    }
    return record;
}

// The records that lie wholly inside the bytes at hand and inside the header.
std::vector<ImcRecord> decodeRecords(const Bytes& bytes, std::size_t headerLength) {
    std::vector<ImcRecord> records;
    const std::size_t end = std::min(bytes.size(), headerLength);
    if (!bytes.has(0, 27)) return records;
    ImcRecord container;
    container.tag = "MCMP";
    container.bodyLength = bytes.u32(7);
    container.values = {{"entries", (bytes.u8(4) << 8) | bytes.u8(5)},
                        {"entry type", bytes.u8(6)},
                        {"entry length", bytes.s32(7)},
                        {"entry length copy", bytes.s32(11)},
                        {"name list length", (bytes.u8(15) << 8) | bytes.u8(16)}};
    container.text = printable(bytes.zeroTerminated(17, 22) + " " + bytes.zeroTerminated(22, 27));
    records.push_back(container);
    if (!bytes.has(27, 8)) return records;
    records.push_back({"iMUS", 27, bytes.u32(31), {}, {}});
    if (!bytes.has(35, 8)) return records;
    records.push_back({"MAP ", 35, bytes.u32(39), {}, {}});
    for (std::size_t offset = 43; offset + 8 <= end;) {
        const std::uint32_t length = bytes.u32(offset + 4);
        if (length > end - offset - 8) break;
        records.push_back(decodeRecord(bytes, offset, offset + 8 + length));
        offset += 8 + length;
    }
    return records;
}

// Fills the template with the fields; nothing when a field does not fit 32 bits.
std::optional<std::vector<std::uint8_t>> expectedHeader(ImcVariant variant, std::int64_t size,
                                                        std::int64_t loopStart,
                                                        std::int64_t loopEnd) {
    const auto field = [&](char letter) -> std::int64_t {
        switch (letter) {
            case 'S':
                return size;
            case 'L':
                return loopStart;
            case 'P':
                return loopEnd;
            case 'R':
                return variant == ImcVariant::Looped ? loopStart - 209 : size - 427;
            case 'M':
                return loopEnd - loopStart;
            case 'T':
                return size - loopEnd;
            default:
                return size - 256;  // E
        }
    };
    std::vector<std::uint8_t> header;
    std::istringstream tokens(variant == ImcVariant::Looped ? kLoopedTemplate : kQueuedTemplate);
    std::string token;
    while (tokens >> token) {
        if (std::isxdigit(static_cast<unsigned char>(token[0])) && token[0] != 'E') {
            header.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
            continue;
        }
        const std::int64_t value = field(token[0]);
        if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
        const int shift = 24 - 8 * (token[1] - '0');
        header.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> shift));
    }
    return header;
}

}  // namespace

ImcInspection inspectImcHeader(const std::uint8_t* data, std::size_t size, std::uint64_t fileSize) {
    const Bytes bytes(data, size);
    ImcInspection result;
    const auto refuse = [&](std::string problem) {
        result.problem = std::move(problem);
        return result;
    };

    if (size == 0) return refuse("the file is empty");
    if (!bytes.has(0, 4) || bytes.chars(0, 4) != "MCMP") {
        return refuse("not an IMC music file: it does not start with MCMP");
    }
    if (bytes.has(kInnerLengthOffset, 4)) {
        const std::uint32_t innerLength = bytes.u32(kInnerLengthOffset);
        if (innerLength == 0xC980A200) result.variant = ImcVariant::Looped;
        if (innerLength == 0xDBF30600) result.variant = ImcVariant::Queued;
    }
    result.headerLength = result.variant == ImcVariant::Looped   ? 228
                          : result.variant == ImcVariant::Queued ? 190
                                                                 : 0;
    result.records = decodeRecords(bytes, result.headerLength ? result.headerLength : 43);
    if (!bytes.has(kInnerLengthOffset, 4)) {
        return refuse("the file ends at byte " + std::to_string(size) +
                      ", inside the MCMP container");
    }
    if (!result.variant) {
        return refuse("neither a queued nor a looped music header: the iMUS length at byte 31 is " +
                      std::to_string(bytes.u32(kInnerLengthOffset)));
    }
    const bool looped = result.variant == ImcVariant::Looped;
    if (size < result.headerLength) {
        return refuse("the file ends at byte " + std::to_string(size) + ", inside the " +
                      std::to_string(result.headerLength) + "-byte " +
                      (looped ? "looped" : "queued") + " music header");
    }

    result.wavSize = bytes.s32(7);
    result.wavBytes = std::int64_t{result.wavSize} + 1;
    if (looped) {
        result.loopStart = bytes.s32(153);
        result.loopEnd = bytes.s32(184);
    }
    if (result.wavSize < -1)
        return refuse("the size field " + std::to_string(result.wavSize) + " is negative");
    const auto expected = expectedHeader(*result.variant, result.wavSize,
                                         result.loopStart.value_or(0), result.loopEnd.value_or(0));
    if (!expected) return refuse("the loop fields lie outside the 32-bit range");
    for (std::size_t i = 0; i < expected->size(); ++i) {
        if (bytes.u8(i) != (*expected)[i]) {
            return refuse("byte " + std::to_string(i) + " is " + hexByte(bytes.u8(i)) +
                          ", expected " + hexByte((*expected)[i]));
        }
    }
    const std::uint64_t held = fileSize >= result.headerLength ? fileSize - result.headerLength : 0;
    if (static_cast<std::int64_t>(held) != result.wavBytes) {
        return refuse("the file holds " + std::to_string(held) +
                      " WAV bytes, its header declares " + std::to_string(result.wavBytes));
    }
    result.wellFormed = true;
    return result;
}

namespace {

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

const char* variantName(const ImcInspection& inspection) {
    if (!inspection.variant) return "unknown";
    return *inspection.variant == ImcVariant::Looped ? "looped" : "queued";
}

}  // namespace

std::string formatInspection(const ImcInspection& inspection) {
    std::ostringstream out;
    for (const ImcRecord& record : inspection.records) {
        out << "at " << record.offset << ": " << record.tag << ", length " << record.bodyLength;
        for (const ImcValue& value : record.values) out << ", " << value.name << " " << value.value;
        if (record.text) out << ", text \"" << *record.text << '"';
        out << '\n';
    }
    out << "music: " << variantName(inspection) << '\n';
    if (inspection.headerLength && inspection.records.size() > 3) {
        out << "WAV bytes: " << inspection.wavBytes << '\n';
    }
    if (inspection.loopStart) out << "loop start: " << *inspection.loopStart << '\n';
    if (inspection.loopEnd) out << "loop end: " << *inspection.loopEnd << '\n';
    return out.str();
}

std::string formatInspectionJson(const ImcInspection& inspection) {
    std::ostringstream out;
    out << "{\"wellFormed\":" << (inspection.wellFormed ? "true" : "false");
    if (!inspection.wellFormed) out << ",\"problem\":" << jsonString(inspection.problem);
    out << ",\"variant\":" << jsonString(variantName(inspection))
        << ",\"headerLength\":" << inspection.headerLength
        << ",\"wavBytes\":" << inspection.wavBytes << ",\"wavSize\":" << inspection.wavSize;
    if (inspection.loopStart) out << ",\"loopStart\":" << *inspection.loopStart;
    if (inspection.loopEnd) out << ",\"loopEnd\":" << *inspection.loopEnd;
    out << ",\"records\":[";
    for (std::size_t i = 0; i < inspection.records.size(); ++i) {
        const ImcRecord& record = inspection.records[i];
        out << (i ? "," : "") << "{\"tag\":" << jsonString(record.tag)
            << ",\"offset\":" << record.offset << ",\"length\":" << record.bodyLength
            << ",\"values\":[";
        for (std::size_t v = 0; v < record.values.size(); ++v) {
            out << (v ? "," : "") << "{\"name\":" << jsonString(record.values[v].name)
                << ",\"value\":" << record.values[v].value << '}';
        }
        out << ']';
        if (record.text) out << ",\"text\":" << jsonString(*record.text);
        out << '}';
    }
    out << "]}";
    return out.str();
}

}  // namespace corvan
