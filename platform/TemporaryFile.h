#pragma once

#include "FileSystem.h"

#include <string>
#include <system_error>

namespace corvan::platform {

// A file being written: a unique hidden file in the folder of the path it is meant for,
// renamed onto that path only once it is complete, removed when it is not.
class TemporaryFile {
public:
    // Creates the file; error() tells whether that worked.
    explicit TemporaryFile(const std::string& finalPath);
    // Removes the file unless it was committed.
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::error_code& error() const { return error_; }
    int descriptor() const { return fd_; }
    const std::string& path() const { return path_; }
    // Flushes the file to disk, closes it and renames it onto the final path.
    std::error_code commit();

private:
    std::string finalPath_;
    std::string path_;
    std::error_code error_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace corvan::platform
