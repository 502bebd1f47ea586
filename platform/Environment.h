#pragma once

#include <optional>
#include <string>

namespace corvan::platform {

// The value of an environment variable; nothing when it is unset or empty.
std::optional<std::string> environmentVariable(const char* name);

// The folder for temporary files: TMPDIR, else /tmp.
std::string temporaryFolder();

// The path with every link and "." or ".." resolved; nothing when it does not exist.
std::optional<std::string> realPath(const std::string& path);

}  // namespace corvan::platform
