#include "platform/PathNames.h"

#include <filesystem>

namespace corvan::platform {

std::string parentOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

std::string fileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string stemOf(const std::string& path) {
    return std::filesystem::path(path).stem().string();
}

std::string joinPath(const std::string& folder, const std::string& name) {
    return (std::filesystem::path(folder) / name).string();
}

}  // namespace corvan::platform
