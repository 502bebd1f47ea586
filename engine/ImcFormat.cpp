#include "ImcFormat.h"

#include <cmath>
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
// format and the two texts.
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
    out.u32(kBitsPerSample);
    out.u32(kSampleRate);
    out.u32(kChannels);
    for (const char* text : {layout.title, layout.stars}) {
        const std::string_view body(text);
        out.record("TEXT", 4 + static_cast<std::uint32_t>(body.size()) + 1);
        out.u32(layout.dataOffset);
        out.zeroTerminated(body);
    }
}

// Rounds to nearest, ties to even, as the header does (the default rounding mode).
std::int64_t roundHalfEven(double value) {
    return static_cast<std::int64_t>(std::nearbyint(value));
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

std::int64_t permilleForSlider(std::int64_t slider, std::int64_t sliderMax) {
    return roundHalfEven(static_cast<double>(slider * kPermilleMax) /
                         static_cast<double>(sliderMax));
}

int sliderForPermille(int permille) {
    const auto guess =
        static_cast<int>(roundHalfEven(static_cast<double>(permille) * kSliderMax / kPermilleMax));
    // A step of 32.767 positions per thousandth leaves the exact guess or a neighbour.
    for (const int slider : {guess, guess - 1, guess + 1}) {
        if (slider >= 0 && slider <= kSliderMax && permilleForSlider(slider) == permille) {
            return slider;
        }
    }
    return guess;
}

std::int64_t headerPosition(std::int64_t wavSize, std::int64_t permille) {
    return roundHalfEven(static_cast<double>(wavSize) / 1000.0 * static_cast<double>(permille));
}

std::int64_t loopStartFor(std::int64_t position) {
    return position + kLoopStartAdd;
}

std::int64_t loopEndFor(std::int64_t position) {
    return position - kLoopEndSubtract;
}

LoopOffsets loopOffsets(std::int64_t wavSize, std::int64_t startPermille,
                        std::int64_t endPermille) {
    return {loopStartFor(headerPosition(wavSize, startPermille)),
            loopEndFor(headerPosition(wavSize, endPermille))};
}

FramePosition framePositionOf(std::int64_t headerOffset, std::int64_t dataStart) {
    const std::int64_t byte = headerOffset - kHeaderToWavOffset - dataStart;
    const std::int64_t frame = floorDiv(byte, kBytesPerFrame);
    return {frame, static_cast<int>(byte - frame * kBytesPerFrame)};
}

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
