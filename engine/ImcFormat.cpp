#include "ImcFormat.h"

#include <string_view>

namespace corvan::imc {

namespace {

// Appends header bytes one after another from offset 0.
class HeaderCursor {
public:
    explicit HeaderCursor(std::size_t length) { bytes_.reserve(length); }

    void byte(std::uint8_t value) { bytes_.push_back(value); }
    void u16(std::uint16_t value) {
        byte(static_cast<std::uint8_t>(value >> 8));
        byte(static_cast<std::uint8_t>(value));
    }
    void u32(std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8)
            byte(static_cast<std::uint8_t>(value >> shift));
    }
    void field(const Be32& bytes) {
        for (std::uint8_t b : bytes) byte(b);
    }
    // Characters as they stand; a tag has no terminator.
    void chars(std::string_view text) {
        for (char c : text) byte(static_cast<std::uint8_t>(c));
    }
    void zeroTerminated(std::string_view text) {
        chars(text);
        byte(0);
    }
    // A record's tag and the length of the body that follows.
    void record(std::string_view tag, std::uint32_t bodyLength) {
        chars(tag);
        u32(bodyLength);
    }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

// The container with its one entry, the inner block, its record table, the fixed sound
// format (16-bit samples, 22,050 per second, 2 channels) and the two texts.
void storeOpening(HeaderCursor& out, const Layout& layout, const Be32& size) {
    out.chars("MCMP");
    out.u16(1);  // entries
    out.byte(0);
    out.field(size);
    out.field(size);
    out.u16(10);  // the name list that follows
    out.zeroTerminated("NULL");
    out.zeroTerminated("VIMA");
    out.chars("iMUS");
    out.u32(layout.innerLength);
    out.record("MAP ", layout.tableLength);
    out.record("FRMT", 20);
    out.u32(layout.dataOffset);
    out.u32(1);
    out.u32(16);
    out.u32(22050);
    out.u32(2);
    for (const char* text : {layout.title, layout.stars}) {
        const std::string_view body(text);
        out.record("TEXT", 4 + static_cast<std::uint32_t>(body.size()) + 1);
        out.u32(layout.dataOffset);
        out.zeroTerminated(body);
    }
}

}  // namespace

const Layout& layoutOf(Variant variant) {
    return variant == Variant::Looped ? kLooped : kQueued;
}

Be32 be32(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(bits >> 24), static_cast<std::uint8_t>(bits >> 16),
            static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits)};
}

std::vector<std::uint8_t> queuedHeader(const QueuedFields& fields) {
    HeaderCursor out(kQueued.headerLength);
    storeOpening(out, kQueued, fields.size);
    out.record("REGN", 8);  // everything but the last 256 positions
    out.u32(kQueued.dataOffset);
    out.field(fields.mainLength);
    out.record("TEXT", 9);
    out.field(fields.tailFrom);
    out.zeroTerminated("_end");
    out.record("REGN", 8);  // the last 256 positions
    out.field(fields.tailFrom);
    out.field(fields.tailLength);
    out.record("STOP", 4);
    out.field(fields.stopAt);
    return out.take();
}

std::vector<std::uint8_t> loopedHeader(const LoopedFields& fields) {
    HeaderCursor out(kLooped.headerLength);
    storeOpening(out, kLooped, fields.size);
    out.record("REGN", 8);  // before the loop
    out.u32(kLooped.dataOffset);
    out.field(fields.introLength);
    out.record("TEXT", 7);
    out.field(fields.loopFrom);
    out.zeroTerminated("lp");
    out.record("REGN", 8);  // the loop
    out.field(fields.loopFrom);
    out.field(fields.loopLength);
    out.record("JUMP", 16);  // from the loop's end back to its start
    out.field(fields.jumpAt);
    out.field(fields.jumpTo);
    out.u32(0);
    out.u32(500);
    out.record("REGN", 8);  // after the loop
    out.field(fields.outroFrom);
    out.field(fields.outroLength);
    out.record("STOP", 4);
    out.field(fields.stopAt);
    return out.take();
}

}  // namespace corvan::imc
