// The two header templates. Both are tagged records with big-endian numbers: an "MCMP"
// container with one entry, then an "iMUS" block whose "MAP " table describes the sound
// that follows the header. Bytes a template leaves alone keep the 0 of the cleared buffer.

#include "ByteBuffer.h"
#include "ImcBuilder.h"
#include "RuntimeError.h"

#include <string_view>

namespace corvan {

namespace {

using Be32 = std::array<std::uint8_t, 4>;

// Stores header bytes one after another from offset 0.
class HeaderCursor {
public:
    explicit HeaderCursor(ByteBuffer& header) : header_(header) {}

    std::size_t offset() const { return offset_; }
    void byte(std::uint8_t value) { header_.at(offset_++) = value; }
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

private:
    ByteBuffer& header_;
    std::size_t offset_ = 0;
};

// The container, its one entry and the inner block's tag, which both variants share.
void storeContainer(HeaderCursor& out, const Be32& size, std::uint32_t innerLength) {
    out.chars("MCMP");
    out.u16(1);  // entries
    out.byte(0);
    out.field(size);
    out.field(size);
    out.u16(10);  // the name list that follows
    out.zeroTerminated("NULL");
    out.zeroTerminated("VIMA");
    out.chars("iMUS");
    out.u32(innerLength);
}

// The fixed sound format: 16-bit samples, 22,050 per second, 2 channels.
void storeFormat(HeaderCursor& out, std::uint32_t dataOffset) {
    out.record("FRMT", 20);
    out.u32(dataOffset);
    out.u32(1);
    out.u32(16);
    out.u32(22050);
    out.u32(2);
}

void storeText(HeaderCursor& out, std::uint32_t offset, std::string_view text) {
    out.record("TEXT", 4 + static_cast<std::uint32_t>(text.size()) + 1);
    out.u32(offset);
    out.zeroTerminated(text);
}

}  // namespace

bool ImcBuilder::writeLoopedHeader(const platform::Handle& hDest, ByteBuffer& header,
                                   std::int32_t wavSize) {
    // The sliders give the loop as thousandths of the source.
    const double startMax = inputs_.scrStartMax();
    const std::int32_t startPermille =
        roundToLong(divide(checkedMul(inputs_.scrStartValue(), 1000), startMax));
    const double endMax = inputs_.scrEndMax();
    const std::int32_t endPermille =
        roundToLong(divide(checkedMul(inputs_.scrEndValue(), 1000), endMax));
    const std::int32_t startPos = roundToLong(wavSize / 1000.0 * startPermille);
    const std::int32_t endPos = roundToLong(wavSize / 1000.0 * endPermille);
    const std::int32_t loopStart = checkedAdd(checkedAdd(startPos, 209), 256);
    const std::int32_t loopEnd = checkedSub(endPos, 256);
    if (inputs_.DEBUGFLAG()) {
        showDebug("loopstart = " + std::to_string(loopStart) +
                  "loopend = " + std::to_string(loopEnd));
    }

    // The encodings in the order in which the fields come; nothing compares the loop with
    // the file's length, so every value is written as computed.
    const Be32 size = longToBytes(wavSize);
    const Be32 introLength = longToBytes(roundToLong(loopStart - 209.0));
    const Be32 loopFrom = longToBytes(loopStart);
    const Be32 loopLength = longToBytes(checkedSub(loopEnd, loopStart));
    const Be32 jumpAt = longToBytes(loopEnd);
    const Be32 jumpTo = longToBytes(loopStart);
    const Be32 outroFrom = longToBytes(loopEnd);
    const Be32 outroLength = longToBytes(checkedSub(wavSize, loopEnd));
    const Be32 stopAt = longToBytes(wavSize);

    HeaderCursor out(header);
    storeContainer(out, size, 0xC980A200);
    out.record("MAP ", 185);
    storeFormat(out, 209);
    storeText(out, 209, "Corvan10   ");
    storeText(out, 209, std::string_view("*********************"));
    out.record("REGN", 8);  // before the loop
    out.u32(209);
    out.field(introLength);
    out.record("TEXT", 7);
    out.field(loopFrom);
    out.zeroTerminated("lp");
    out.record("REGN", 8);  // the loop
    out.field(loopFrom);
    out.field(loopLength);
    out.record("JUMP", 16);  // from the loop's end back to its start
    out.field(jumpAt);
    out.field(jumpTo);
    out.u32(0);
    out.u32(500);
    out.record("REGN", 8);  // after the loop
    out.field(outroFrom);
    out.field(outroLength);
    out.record("STOP", 4);
    out.field(stopAt);
    return writeHeader(hDest, header, kLoopedHeaderLength);
}

bool ImcBuilder::writeQueuedHeader(const platform::Handle& hDest, ByteBuffer& header,
                                   std::int32_t wavSize) {
    const Be32 size = longToBytes(wavSize);
    const Be32 mainLength = longToBytes(checkedSub(checkedSub(wavSize, 256), 171));
    const Be32 endFrom = longToBytes(checkedSub(wavSize, 256));
    const Be32 endLength = longToBytes(256);
    const Be32 stopAt = longToBytes(wavSize);

    HeaderCursor out(header);
    storeContainer(out, size, 0xDBF30600);
    out.record("MAP ", 147);
    storeFormat(out, 171);
    storeText(out, 171, "Corvan10");
    storeText(out, 171, std::string_view("************************"));
    out.record("REGN", 8);  // everything but the last 256 positions
    out.u32(171);
    out.field(mainLength);
    out.record("TEXT", 9);
    out.field(endFrom);
    out.zeroTerminated("_end");
    out.record("REGN", 8);  // the last 256 positions
    out.field(endFrom);
    out.field(endLength);
    out.record("STOP", 4);
    out.field(stopAt);
    return writeHeader(hDest, header, kQueuedHeaderLength);
}

}  // namespace corvan
