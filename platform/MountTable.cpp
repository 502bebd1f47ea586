#include "MountTable.h"

#include <algorithm>
#include <sstream>

namespace corvan::platform {

namespace {

// The mount table writes blanks, tabs, newlines and backslashes as octal escapes.
std::string unescapeMountField(const std::string& field) {
    std::string plain;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(),
                            [](char c) { return c >= '0' && c <= '7'; })) {
                plain += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        plain += field[i];
    }
    return plain;
}

}  // namespace

std::vector<MountEntry> parseMountTable(const std::string& table) {
    std::vector<MountEntry> mounts;
    std::istringstream lines(table);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        MountEntry entry;
        if (fields >> entry.source >> entry.mountPoint >> entry.type) {
            entry.source = unescapeMountField(entry.source);
            entry.mountPoint = unescapeMountField(entry.mountPoint);
            mounts.push_back(std::move(entry));
        }
    }
    return mounts;
}

}  // namespace corvan::platform
