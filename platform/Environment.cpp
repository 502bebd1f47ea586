#include "platform/Environment.h"

#include <climits>
#include <cstdlib>
#include <memory>

namespace corvan::platform {

std::optional<std::string> environmentVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

std::string temporaryFolder() {
    return environmentVariable("TMPDIR").value_or("/tmp");
}

std::optional<std::string> realPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    if (!resolved) return std::nullopt;
    return std::string(resolved.get());
}

}  // namespace corvan::platform
