#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

namespace corvan::platform {

// A regular file open for reading at any offset. Opening never waits: a FIFO, a device or a
// folder is refused before anything is read from it, with the reason "not a regular file".
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Why the file could not be opened; empty when it is open.
    const std::error_code& error() const { return error_; }
    std::int64_t size() const { return size_; }
    // Reads up to `count` bytes at `offset`; fewer only at the end. -1 on a read error.
    std::int64_t readAt(std::int64_t offset, void* buffer, std::size_t count) const;

private:
    int fd_ = -1;
    std::int64_t size_ = 0;
    std::error_code error_;
};

// The error a ReadOnlyFile gives for what is not a regular file.
std::error_code notRegularFileError();

// The whole of a small regular file (a list, a settings file) as text. Larger than
// `largest` bytes counts as an error (EFBIG): such a file is not what was asked for.
std::error_code readSmallFile(const std::string& path, std::size_t largest, std::string& text);

}  // namespace corvan::platform
