#include "platform/FileSize.h"

#include <filesystem>

namespace corvan::platform {

std::optional<std::uint64_t> fileSize(const std::string& path) {
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    return static_cast<std::uint64_t>(bytes);
}

}  // namespace corvan::platform
