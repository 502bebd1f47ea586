#pragma once

#include "FileSystem.h"

#include <string>

namespace corvan::platform {

// An open file that closes itself. Move-only, so a handle is never closed twice.
class File {
public:
    explicit File(FileSystem& files) : files_(&files) {}
    File(FileSystem& files, const std::string& path, OpenMode mode)
        : files_(&files), handle_(files.open(path, mode)) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    ~File() { close(); }

    bool isOpen() const { return handle_ != kInvalidHandle; }
    const Handle& handle() const { return handle_; }

    IoResult read(std::uint8_t* buffer, std::uint32_t count);
    IoResult write(const std::uint8_t* buffer, std::uint32_t count);
    // Closes the file if it is open; closing a file that is not open does nothing.
    bool close();

private:
    FileSystem* files_;
    Handle handle_ = kInvalidHandle;
};

}  // namespace corvan::platform
