#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace corvan::platform {

// An open file as the file layer hands it out; kInvalidHandle marks a failed open.
using Handle = std::int64_t;
inline constexpr Handle kInvalidHandle = -1;

enum class OpenMode {
    // Read access only; a missing file is an error and is never created.
    ReadExisting,
    // Read and write access; a missing file is created, an existing one is emptied.
    CreateOrTruncate,
};

// The outcome of one read or write: whether the call succeeded and how many bytes it moved.
// A read that reaches the end of the file succeeds with a count of 0.
struct IoResult {
    bool ok = false;
    std::uint32_t count = 0;
};

// The file calls that the engine and the front ends use. Every file is held exclusively
// while it is open, so an open of a file that is already held fails.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Returns kInvalidHandle when the file cannot be opened in this mode.
    virtual Handle open(const std::string& path, OpenMode mode) = 0;
    // Reads up to `count` bytes into `buffer`.
    virtual IoResult read(Handle handle, std::uint8_t* buffer, std::uint32_t count) = 0;
    // Writes `count` bytes from `buffer`; a short count means the rest was not written.
    virtual IoResult write(Handle handle, const std::uint8_t* buffer, std::uint32_t count) = 0;
    virtual bool close(Handle handle) = 0;
    // The open file's length, where the layer can tell it without reading; a hint only,
    // for refusing at once what reading through would refuse in the end.
    virtual std::optional<std::uint64_t> sizeOf(Handle) { return std::nullopt; }

    // True when `path` names an existing regular file.
    virtual bool fileExists(const std::string& path) = 0;
    // Each returns the system's reason on failure and an empty error code on success.
    virtual std::error_code removeFile(const std::string& path) = 0;
    virtual std::error_code renameFile(const std::string& from, const std::string& to) = 0;
};

}  // namespace corvan::platform
