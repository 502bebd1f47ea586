#pragma once

#include "ConversionInputs.h"
#include "UserInterface.h"
#include "platform/FileSystem.h"

#include <array>
#include <cstdint>
#include <string>

namespace corvan {

namespace platform {
class File;
}
class ByteBuffer;

// Turns a WAV file into an IMC music file: a fixed-template header for queued or looped
// music followed by the WAV file's bytes unchanged.
class ImcBuilder {
public:
    // What the user is told when a conversion fails.
    static constexpr const char* kFailedMessage = "IMC Generation Failed!";

    ImcBuilder(platform::FileSystem& files, UserInterface& user, const ConversionInputs& inputs);

    // Writes the IMC file for `sourcePath` under `targetPath` (created, or emptied if it
    // exists) and tells the user the outcome in a message box. Returns true on success;
    // on failure it beeps, says "IMC Generation Failed!" and returns false, leaving the
    // target as far as it had been written. A target that cannot be closed, a source whose
    // length changed between the measurement and the copy, and a stop that the file layer
    // asks for (checked between chunks), are failures too.
    bool convertWav(std::string sourcePath, std::string targetPath);

    // Measures the source by reading it through and writes the header of the selected
    // music type through `hDest` at its current position. Returns false when that write
    // failed or fell short. Run-time errors (RuntimeError) are not caught here.
    bool writeImcHeader(const platform::Handle& hDest, std::string wavPath);

    // The four bytes of v, most significant first, two's complement for negative values.
    // In debug mode it shows them first as hexadecimal text and then in decimal.
    std::array<std::uint8_t, 4> longToBytes(std::int32_t v);

private:
    std::int32_t measureSource(const std::string& wavPath, ByteBuffer& buffer);
    bool copySource(platform::File& target, platform::File& source, const std::string& sourcePath,
                    ByteBuffer& buffer, std::int32_t& byteCount);
    bool closeTarget(platform::File& target);
    bool writeLoopedHeader(const platform::Handle& hDest, ByteBuffer& header, std::int32_t wavSize);
    bool writeQueuedHeader(const platform::Handle& hDest, ByteBuffer& header, std::int32_t wavSize);
    bool writeHeader(const platform::Handle& hDest, const ByteBuffer& header, std::uint32_t length);
    void stopIfAsked();
    void showDebug(const std::string& text);

    platform::FileSystem& files_;
    UserInterface& user_;
    const ConversionInputs& inputs_;
    // The source's length as the header writer measured it, for the copy to check.
    std::int32_t measuredBytes_ = -1;
};

}  // namespace corvan
