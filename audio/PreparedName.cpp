#include "audio/PreparedName.h"

#include <filesystem>

namespace corvan::audio {

std::string freePreparedName(const std::string& source,
                             const std::function<bool(const std::string&)>& taken) {
    const std::filesystem::path path(source);
    const std::string stem = path.stem().string();
    for (int n = 1;; ++n) {
        const std::string suffix =
            n == 1 ? " (prepared).wav" : " (prepared " + std::to_string(n) + ").wav";
        const std::string name = (path.parent_path() / (stem + suffix)).string();
        // The name always grows, so it can never be the source's own.
        if (!taken(name)) return name;
    }
}

}  // namespace corvan::audio
