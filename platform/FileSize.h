#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvan::platform {

// The size of the file at `path` in bytes, or nothing when it cannot be looked at.
std::optional<std::uint64_t> fileSize(const std::string& path);

}  // namespace corvan::platform
