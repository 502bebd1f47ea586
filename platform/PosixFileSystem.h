#pragma once

#include "FileSystem.h"

namespace corvan::platform {

// The file layer on POSIX. Paths are UTF-8; only regular files can be opened, and each
// open file carries an exclusive advisory lock (flock) for as long as it is open.
class PosixFileSystem final : public FileSystem {
public:
    Handle open(const std::string& path, OpenMode mode) override;
    IoResult read(Handle handle, std::uint8_t* buffer, std::uint32_t count) override;
    IoResult write(Handle handle, const std::uint8_t* buffer, std::uint32_t count) override;
    bool close(Handle handle) override;
    std::optional<std::uint64_t> sizeOf(Handle handle) override;

    bool fileExists(const std::string& path) override;
    std::error_code removeFile(const std::string& path) override;
    std::error_code renameFile(const std::string& from, const std::string& to) override;
};

}  // namespace corvan::platform
