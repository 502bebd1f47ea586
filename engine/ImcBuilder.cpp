#include "ImcBuilder.h"

#include "ByteBuffer.h"
#include "CheckedArithmetic.h"
#include "RuntimeError.h"
#include "platform/File.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace corvan {

using platform::File;
using platform::OpenMode;

ImcBuilder::ImcBuilder(platform::FileSystem& files, UserInterface& user,
                       const ConversionInputs& inputs)
    : files_(files), user_(user), inputs_(inputs) {}

bool ImcBuilder::convertWav(std::string sourcePath, std::string targetPath) {
    File target(files_);
    File source(files_);
    std::int32_t byteCount = 0;
    try {
        ByteBuffer buffer;
        target = File(files_, targetPath, OpenMode::CreateOrTruncate);
        if (target.isOpen() && copySource(target, source, sourcePath, buffer, byteCount) &&
            closeTarget(target)) {
            source.close();
            user_.setMousePointer(MousePointer::Default);
            user_.messageBox(
                "Save Successful.  Processed " + std::to_string(byteCount) + " WAV file bytes",
                MessageStyle::Plain);
            return true;
        }
    } catch (const RuntimeError&) {
        // Every run-time error of the conversion, the header writer's included, ends here.
    }
    user_.setMousePointer(MousePointer::Default);
    user_.beep();
    target.close();
    source.close();
    user_.messageBox(kFailedMessage, MessageStyle::Error);
    return false;
}

// The system may write the last of the data only when the file is closed, so a failed
// close is a failed write.
bool ImcBuilder::closeTarget(File& target) {
    if (target.close()) return true;
    user_.messageBox("Incomplete write", MessageStyle::Error);
    return false;
}

// Writes the header and appends the source behind it. False sends the conversion to its
// failure ending, after any message of its own.
bool ImcBuilder::copySource(File& target, File& source, const std::string& sourcePath,
                            ByteBuffer& buffer, std::int32_t& byteCount) {
    if (!writeImcHeader(target.handle(), sourcePath)) {
        user_.messageBox("Failed to write IMC header", MessageStyle::Error);
        return false;
    }
    source = File(files_, sourcePath, OpenMode::ReadExisting);
    if (!source.isOpen()) return false;

    // A failed read is not the end of the data: stopping there would report a truncated
    // file as a success.
    stopIfAsked();
    platform::IoResult read = source.read(buffer.data(), ByteBuffer::kUpperIndex);
    if (!read.ok) throw RuntimeError(ErrorKind::ReadFailed);
    byteCount = static_cast<std::int32_t>(read.count);
    while (read.count > 0) {
        const platform::IoResult written = target.write(buffer.data(), read.count);
        if (!written.ok || written.count != read.count) {
            user_.messageBox("Incomplete write", MessageStyle::Error);
            return false;
        }
        stopIfAsked();
        read = source.read(buffer.data(), ByteBuffer::kUpperIndex);
        if (!read.ok) throw RuntimeError(ErrorKind::ReadFailed);
        byteCount = checkedAdd(byteCount, static_cast<std::int32_t>(read.count));
    }
    // A source that grew or shrank since it was measured would leave a header that
    // declares another length than the data behind it.
    if (byteCount != measuredBytes_) {
        user_.messageBox("The WAV file changed during the conversion", MessageStyle::Error);
        return false;
    }
    return true;
}

bool ImcBuilder::writeImcHeader(const platform::Handle& hDest, std::string wavPath) {
    ByteBuffer header;
    const std::int32_t wavBytes = measureSource(wavPath, header);
    measuredBytes_ = wavBytes;
    if (inputs_.DEBUGFLAG()) showDebug("Wav is " + std::to_string(wavBytes) + " bytes");
    const std::int32_t wavSize = checkedSub(wavBytes, 1);
    std::memset(header.data(), 0, 256);

    bool result = true;
    if (inputs_.playLoopValue()) {
        if (!writeLoopedHeader(hDest, header, wavSize)) result = false;
    }
    if (inputs_.playOnceValue()) {
        if (!writeQueuedHeader(hDest, header, wavSize)) result = false;
    }
    return result;
}

// The source's length, found by reading it through in blocks. A source that cannot be
// opened is reported and counts as empty.
std::int32_t ImcBuilder::measureSource(const std::string& wavPath, ByteBuffer& buffer) {
    File source(files_, wavPath, OpenMode::ReadExisting);
    if (!source.isOpen()) {
        user_.messageBox("Could not open file " + wavPath, MessageStyle::Warning);
        return 0;
    }
    // Reading a source of more than 2,147,483,647 bytes through only to overflow at the
    // end would keep the user waiting for nothing.
    const std::optional<std::uint64_t> size = files_.sizeOf(source.handle());
    if (size && *size > static_cast<std::uint64_t>(INT32_MAX)) {
        throw RuntimeError(ErrorKind::Overflow);
    }
    std::int32_t wavBytes = 0;
    platform::IoResult read;
    do {
        stopIfAsked();
        read = source.read(buffer.data(), ByteBuffer::kUpperIndex);
        if (!read.ok) throw RuntimeError(ErrorKind::ReadFailed);
        wavBytes = checkedAdd(wavBytes, static_cast<std::int32_t>(read.count));
    } while (read.count > 0);
    source.close();
    return wavBytes;
}

std::array<std::uint8_t, 4> ImcBuilder::longToBytes(std::int32_t v) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<std::uint32_t>(v));
    std::array<std::uint8_t, 4> bytes{};
    for (int k = 0; k < 4; ++k) {
        const char pair[3] = {hex[2 * k], hex[2 * k + 1], '\0'};
        bytes[k] = static_cast<std::uint8_t>(std::strtoul(pair, nullptr, 16));
    }
    if (inputs_.DEBUGFLAG()) {
        std::string text = std::string(hex) + '\r';
        for (int k = 0; k < 4; ++k) {
            if (k > 0) text += ' ';
            text += std::to_string(bytes[k]);
        }
        showDebug(text);
    }
    return bytes;
}

bool ImcBuilder::writeHeader(const platform::Handle& hDest, const ByteBuffer& header,
                             std::uint32_t length) {
    const platform::IoResult written = files_.write(hDest, header.data(), length);
    return written.ok && written.count >= length;
}

// Between chunks: a conversion told to stop ends in its failure ending, and the caller puts
// the files back as they were.
void ImcBuilder::stopIfAsked() {
    if (files_.stopRequested()) throw RuntimeError(ErrorKind::Stopped);
}

void ImcBuilder::showDebug(const std::string& text) {
    user_.messageBox(text, MessageStyle::Plain);
}

}  // namespace corvan
