#pragma once

#include <optional>
#include <string>

namespace corvan {

// Keeps a copy of a track the game came with before Corvan replaces it for the first time,
// so that the game's music can always be given back, whatever happens to the backups.
class OriginalsKeeper {
public:
    virtual ~OriginalsKeeper() = default;

    // Called with a track about to be replaced that Corvan did not make. Returns why no copy
    // could be kept (no space, no permission); the replacement goes on regardless.
    virtual std::optional<std::string> keepOriginal(const std::string& track) = 0;
};

}  // namespace corvan
