#pragma once

#include "platform/Directories.h"

#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace corvan::ui {

// A directory that could not be read. The lists throw it from the call that tried to show
// the directory and leave what they showed before unchanged.
class DirectoryError : public std::runtime_error {
public:
    DirectoryError(std::string path, std::error_code reason);

    const std::string& path() const { return path_; }
    const std::error_code& reason() const { return reason_; }

private:
    std::string path_;
    std::error_code reason_;
};

// The names of the directories in `directory`, hidden ones included so that a game
// installed under a dot directory can be reached, sorted without regard to case.
std::vector<std::string> readSubdirectories(platform::Directories& directories,
                                            const std::string& directory);

// The names of the regular files in `directory` that match `pattern` ("*" and "?"
// wildcards, letters compared without regard to case), hidden files left out, sorted
// without regard to case.
std::vector<std::string> readMatchingFiles(platform::Directories& directories,
                                           const std::string& directory,
                                           const std::string& pattern);

// `directory` if it can be read, else the nearest directory above it that can; the root
// if none can.
std::string nearestReadableDirectory(platform::Directories& directories,
                                     const std::string& directory);

}  // namespace corvan::ui
