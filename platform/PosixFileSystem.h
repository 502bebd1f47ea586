#pragma once

#include "FileSystem.h"

namespace corvan::platform {

class TerminationSignals;

// The file layer on POSIX. Paths are UTF-8; only regular files can be opened. An open file
// carries an advisory lock (flock) for as long as it is open: shared for reading, exclusive
// for writing.
class PosixFileSystem final : public FileSystem {
public:
    PosixFileSystem() = default;
    // Work on files stops once one of `signals` has arrived.
    explicit PosixFileSystem(const TerminationSignals& termination) : signals_(&termination) {}

    Handle open(const std::string& path, OpenMode mode) override;
    IoResult read(Handle handle, std::uint8_t* buffer, std::uint32_t count) override;
    IoResult write(Handle handle, const std::uint8_t* buffer, std::uint32_t count) override;
    bool close(Handle handle) override;
    std::optional<std::uint64_t> sizeOf(Handle handle) override;

    bool fileExists(const std::string& path) override;
    std::error_code removeFile(const std::string& path) override;
    std::error_code renameFile(const std::string& from, const std::string& to) override;
    FileStatus status(const std::string& path) override;
    std::error_code checkCreatable(const std::string& path) override;
    std::error_code makeUniqueFile(const std::string& prefix, std::string& made) override;
    bool stopRequested() override;

private:
    const TerminationSignals* signals_ = nullptr;
};

}  // namespace corvan::platform
