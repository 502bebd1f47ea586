#include "ImcInspector.h"

#include "ImcFormat.h"
#include "JsonText.h"

#include <cstdio>
#include <sstream>

namespace corvan {

namespace {

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
    if (!bytes.has(0, imc::kInnerBlockOffset)) return records;
    ImcRecord container;
    container.tag = "MCMP";
    container.bodyLength = bytes.u32(imc::kSizeOffset);
    const auto u16 = [&](std::size_t at) { return (bytes.u8(at) << 8) | bytes.u8(at + 1); };
    container.values = {{"entries", u16(imc::kEntriesOffset)},
                        {"entry type", bytes.u8(imc::kEntriesOffset + 2)},
                        {"entry length", bytes.s32(imc::kSizeOffset)},
                        {"entry length copy", bytes.s32(imc::kSizeCopyOffset)},
                        {"name list length", u16(imc::kNameListOffset)}};
    container.text =
        printable(bytes.zeroTerminated(imc::kFirstNameOffset, imc::kSecondNameOffset) + " " +
                  bytes.zeroTerminated(imc::kSecondNameOffset, imc::kInnerBlockOffset));
    records.push_back(container);
    if (!bytes.has(imc::kInnerBlockOffset, 8)) return records;
    records.push_back({"iMUS", imc::kInnerBlockOffset, bytes.u32(imc::kInnerLengthOffset), {}, {}});
    if (!bytes.has(imc::kTableOffset, 8)) return records;
    records.push_back({"MAP ", imc::kTableOffset, bytes.u32(imc::kTableOffset + 4), {}, {}});
    for (std::size_t offset = imc::kRecordsOffset; offset + 8 <= end;) {
        const std::uint32_t length = bytes.u32(offset + 4);
        if (length > end - offset - 8) break;
        records.push_back(decodeRecord(bytes, offset, offset + 8 + length));
        offset += 8 + length;
    }
    return records;
}

// The header that the fields read from a file imply; nothing when a field that the header
// derives from them does not fit 32 bits.
std::optional<std::vector<std::uint8_t>> expectedHeader(imc::Variant variant, std::int64_t size,
                                                        std::int64_t loopStart,
                                                        std::int64_t loopEnd) {
    bool fits = true;
    const auto field = [&fits](std::int64_t value) {
        fits = fits && value >= INT32_MIN && value <= INT32_MAX;
        return imc::be32(static_cast<std::int32_t>(value));
    };
    if (variant == imc::Variant::Queued) {
        const std::int64_t tailFrom = size - imc::kTailLength;
        const imc::QueuedFields fields{field(size), field(tailFrom - imc::kQueued.dataOffset),
                                       field(tailFrom), field(imc::kTailLength), field(size)};
        return fits ? std::optional(imc::queuedHeader(fields)) : std::nullopt;
    }
    const imc::LoopedFields fields{field(size),      field(loopStart - imc::kLooped.dataOffset),
                                   field(loopStart), field(loopEnd - loopStart),
                                   field(loopEnd),   field(loopStart),
                                   field(loopEnd),   field(size - loopEnd),
                                   field(size)};
    return fits ? std::optional(imc::loopedHeader(fields)) : std::nullopt;
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
    if (bytes.has(imc::kInnerLengthOffset, 4)) {
        const std::uint32_t innerLength = bytes.u32(imc::kInnerLengthOffset);
        for (const imc::Layout* layout : {&imc::kQueued, &imc::kLooped}) {
            if (innerLength != layout->innerLength) continue;
            result.variant =
                layout->variant == imc::Variant::Looped ? ImcVariant::Looped : ImcVariant::Queued;
            result.headerLength = layout->headerLength;
        }
    }
    result.records =
        decodeRecords(bytes, result.headerLength ? result.headerLength : imc::kRecordsOffset);
    if (!bytes.has(imc::kInnerLengthOffset, 4)) {
        return refuse("the file ends at byte " + std::to_string(size) +
                      ", inside the MCMP container");
    }
    if (!result.variant) {
        return refuse("neither a queued nor a looped music header: the iMUS length at byte 31 is " +
                      std::to_string(bytes.u32(imc::kInnerLengthOffset)));
    }
    const bool looped = result.variant == ImcVariant::Looped;
    if (size < result.headerLength) {
        return refuse("the file ends at byte " + std::to_string(size) + ", inside the " +
                      std::to_string(result.headerLength) + "-byte " +
                      (looped ? "looped" : "queued") + " music header");
    }

    result.wavSize = bytes.s32(imc::kSizeOffset);
    result.wavBytes = std::int64_t{result.wavSize} + 1;
    if (looped) {
        result.loopStart = bytes.s32(imc::kLoopStartOffset);
        result.loopEnd = bytes.s32(imc::kLoopEndOffset);
    }
    if (result.wavSize < -1)
        return refuse("the size field " + std::to_string(result.wavSize) + " is negative");
    const auto expected =
        expectedHeader(looped ? imc::Variant::Looped : imc::Variant::Queued, result.wavSize,
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

Json inspectionJson(const ImcInspection& inspection) {
    Json object{{"wellFormed", inspection.wellFormed}};
    if (!inspection.wellFormed) object["problem"] = inspection.problem;
    object["variant"] = variantName(inspection);
    object["headerLength"] = inspection.headerLength;
    object["wavBytes"] = inspection.wavBytes;
    object["wavSize"] = inspection.wavSize;
    if (inspection.loopStart) object["loopStart"] = *inspection.loopStart;
    if (inspection.loopEnd) object["loopEnd"] = *inspection.loopEnd;
    Json records = Json::array();
    for (const ImcRecord& record : inspection.records) {
        Json values = Json::array();
        for (const ImcValue& value : record.values) {
            values.push_back({{"name", value.name}, {"value", value.value}});
        }
        Json entry{{"tag", record.tag},
                   {"offset", record.offset},
                   {"length", record.bodyLength},
                   {"values", std::move(values)}};
        if (record.text) entry["text"] = *record.text;
        records.push_back(std::move(entry));
    }
    object["records"] = std::move(records);
    return object;
}

}  // namespace corvan
