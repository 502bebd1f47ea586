// The header writer's two variants: the loop positions from the sliders, the field
// encodings in the order in which they come (each shows its debug box), and the write.

#include "ByteBuffer.h"
#include "CheckedArithmetic.h"
#include "ImcBuilder.h"
#include "ImcFormat.h"
#include "RuntimeError.h"

namespace corvan {

namespace {

// Stores the laid-out header at the front of the cleared buffer, index by index.
void store(ByteBuffer& header, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) header.at(i) = bytes[i];
}

// A 64-bit result as the header's signed 32-bit field, Overflow when it does not fit.
std::int32_t narrowed(std::int64_t value) {
    return roundToLong(static_cast<double>(value));
}

// A slider's maximum to divide by.
std::int64_t nonZero(std::int16_t sliderMax) {
    if (sliderMax == 0) throw RuntimeError(ErrorKind::DivisionByZero);
    return sliderMax;
}

}  // namespace

bool ImcBuilder::writeLoopedHeader(const platform::Handle& hDest, ByteBuffer& header,
                                   std::int32_t wavSize) {
    const std::int32_t dataOffset = static_cast<std::int32_t>(imc::kLooped.dataOffset);
    // The sliders give the loop as thousandths of the source; the format's arithmetic in
    // 64 bits, each step held to the header's 32.
    const std::int16_t startMax = inputs_.scrStartMax();
    const std::int32_t startPermille =
        narrowed(imc::permilleForSlider(inputs_.scrStartValue(), nonZero(startMax)));
    const std::int16_t endMax = inputs_.scrEndMax();
    const std::int32_t endPermille =
        narrowed(imc::permilleForSlider(inputs_.scrEndValue(), nonZero(endMax)));
    const std::int32_t startPos = narrowed(imc::headerPosition(wavSize, startPermille));
    const std::int32_t endPos = narrowed(imc::headerPosition(wavSize, endPermille));
    const std::int32_t loopStart = narrowed(imc::loopStartFor(startPos));
    const std::int32_t loopEnd = narrowed(imc::loopEndFor(endPos));
    if (inputs_.DEBUGFLAG()) {
        showDebug("loopstart = " + std::to_string(loopStart) +
                  "loopend = " + std::to_string(loopEnd));
    }

    // Nothing compares the loop with the file's length, so every value is written as
    // computed.
    imc::LoopedFields fields;
    fields.size = longToBytes(wavSize);
    fields.introLength = longToBytes(roundToLong(loopStart - static_cast<double>(dataOffset)));
    fields.loopFrom = longToBytes(loopStart);
    fields.loopLength = longToBytes(checkedSub(loopEnd, loopStart));
    fields.jumpAt = longToBytes(loopEnd);
    fields.jumpTo = longToBytes(loopStart);
    fields.outroFrom = longToBytes(loopEnd);
    fields.outroLength = longToBytes(checkedSub(wavSize, loopEnd));
    fields.stopAt = longToBytes(wavSize);
    store(header, imc::loopedHeader(fields));
    return writeHeader(hDest, header, imc::kLooped.headerLength);
}

bool ImcBuilder::writeQueuedHeader(const platform::Handle& hDest, ByteBuffer& header,
                                   std::int32_t wavSize) {
    const std::int32_t dataOffset = static_cast<std::int32_t>(imc::kQueued.dataOffset);
    imc::QueuedFields fields;
    fields.size = longToBytes(wavSize);
    fields.mainLength = longToBytes(checkedSub(checkedSub(wavSize, imc::kTailLength), dataOffset));
    fields.tailFrom = longToBytes(checkedSub(wavSize, imc::kTailLength));
    fields.tailLength = longToBytes(imc::kTailLength);
    fields.stopAt = longToBytes(wavSize);
    store(header, imc::queuedHeader(fields));
    return writeHeader(hDest, header, imc::kQueued.headerLength);
}

}  // namespace corvan
