#pragma once

#include <string>

namespace corvan::platform {

// Path names taken apart and put together as text; nothing here looks at the disk.
std::string parentOf(const std::string& path);    // "/a/b/c.wav" -> "/a/b"
std::string fileNameOf(const std::string& path);  // "/a/b/c.wav" -> "c.wav"
std::string stemOf(const std::string& path);      // "/a/b/c.wav" -> "c"
std::string joinPath(const std::string& folder, const std::string& name);

}  // namespace corvan::platform
