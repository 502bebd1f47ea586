#pragma once

#include "Directories.h"

namespace corvan::platform {

// Directories as a POSIX system with a Linux /proc reports them.
class PosixDirectories final : public Directories {
public:
    std::error_code list(const std::string& directory,
                         std::vector<DirectoryEntry>& entries) override;
    bool isDirectory(const std::string& path) override;
    std::string mountTable() override;
    std::string workingDirectory() override;
    std::string programDirectory() override;
};

}  // namespace corvan::platform
