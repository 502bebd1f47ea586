#pragma once

#include <string>
#include <vector>

namespace corvan::platform {

// One line of a mount table (the format of /proc/self/mounts), fields unescaped.
struct MountEntry {
    std::string source;
    std::string mountPoint;
    std::string type;
};

std::vector<MountEntry> parseMountTable(const std::string& table);

}  // namespace corvan::platform
