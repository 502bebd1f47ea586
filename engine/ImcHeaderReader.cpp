#include "ImcHeaderReader.h"

#include "platform/File.h"

#include <cstdint>
#include <cstring>

namespace corvan {

std::optional<std::uint32_t> readUpTo(platform::File& file, std::uint8_t* buffer,
                                      std::uint32_t size) {
    std::uint32_t length = 0;
    for (platform::IoResult read; length < size; length += read.count) {
        read = file.read(buffer + length, size - length);
        if (!read.ok) return std::nullopt;
        if (read.count == 0) break;
    }
    return length;
}

bool startsLikeImc(platform::FileSystem& files, const std::string& path) {
    platform::File file(files, path, platform::OpenMode::ReadExisting);
    std::uint8_t tag[4];
    return file.isOpen() && readUpTo(file, tag, sizeof tag) == sizeof tag &&
           std::memcmp(tag, "MCMP", sizeof tag) == 0;
}

std::optional<ImcInspection> readImcHeader(platform::FileSystem& files, const std::string& path,
                                           std::string& problem) {
    platform::File file(files, path, platform::OpenMode::ReadExisting);
    // The length of the file that is open, not of whatever the path names by now.
    const std::optional<std::uint64_t> fileSize =
        file.isOpen() ? files.sizeOf(file.handle()) : std::nullopt;
    if (!fileSize) {
        problem = "cannot open the file";
        return std::nullopt;
    }
    // The longer header is 228 bytes; read a little more so a longer one shows as such.
    std::uint8_t header[512];
    const std::optional<std::uint32_t> length = readUpTo(file, header, sizeof header);
    if (!length) {
        problem = "cannot read the file";
        return std::nullopt;
    }
    return inspectImcHeader(header, *length, *fileSize);
}

bool isCorvanTrack(platform::FileSystem& files, const std::string& path) {
    std::string problem;
    const std::optional<ImcInspection> inspection = readImcHeader(files, path, problem);
    return inspection && inspection->variant.has_value();
}

}  // namespace corvan
