#include "Paths.h"

#include <filesystem>

namespace corvan::ui {

bool isRootDirectory(const std::string& directory) {
    return directory == "/";
}

std::string withSeparator(const std::string& directory) {
    return isRootDirectory(directory) ? directory : directory + "/";
}

std::string normalPath(const std::string& path) {
    std::error_code ignored;
    std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    std::string normal = absolute.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal.empty() ? "/" : normal;
}

std::vector<std::string> pathFromRoot(const std::string& directory) {
    std::vector<std::string> chain{"/"};
    if (isRootDirectory(directory)) return chain;
    for (std::size_t slash = directory.find('/', 1); slash != std::string::npos;
         slash = directory.find('/', slash + 1)) {
        chain.push_back(directory.substr(0, slash));
    }
    chain.push_back(directory);
    return chain;
}

std::string lastComponent(const std::string& path) {
    if (isRootDirectory(path)) return path;
    return path.substr(path.rfind('/') + 1);
}

}  // namespace corvan::ui
