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

// True when both paths name the same existing file: the same path once made canonical, or
// the same device and inode (a hard link).
bool sameFile(const std::string& a, const std::string& b);

// What `path` names, after symbolic links: Missing also when it cannot be looked at. Never
// opens it, so it never waits for a FIFO's writer.
FileKind kindOf(const std::string& path);

}  // namespace corvan::platform
