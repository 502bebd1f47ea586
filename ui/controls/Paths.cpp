#include "Paths.h"

#include <vector>

namespace corvan::ui {

bool isRootDirectory(const std::string& directory) {
    return directory == "/";
}

std::string withSeparator(const std::string& directory) {
    return isRootDirectory(directory) ? directory : directory + "/";
}

std::string normalPath(const std::string& path, const std::string& base) {
    const std::string absolute = !path.empty() && path.front() == '/' ? path : base + "/" + path;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= absolute.size()) {
        std::size_t slash = absolute.find('/', start);
        if (slash == std::string::npos) slash = absolute.size();
        const std::string part = absolute.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string normal;
    for (const std::string& part : parts) normal += "/" + part;
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
