#pragma once

#include "engine/OriginalsKeeper.h"

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace corvan::soundtrack {

// A copy of one of the game's own tracks, kept before Corvan first replaced it.
struct KeptOriginal {
    std::string folder;  // the music folder, links resolved
    std::string name;    // the track's file name in it
    std::string copy;    // where the copy is kept
    std::uint64_t size = 0;
    std::string hash;  // ContentHash of the track as it was
};

// The game's original tracks, kept under ROOT/<folder key>/: the copies in "tracks/" and
// what they are in "kept.json". A track is kept once; a later replacement of the same track
// (by then a Corvan track) leaves the copy alone.
class OriginalsStore final : public OriginalsKeeper {
public:
    // An empty root keeps nothing and finds nothing.
    explicit OriginalsStore(std::string root) : root_(std::move(root)) {}

    // DATA_HOME/corvan/originals, DATA_HOME being XDG_DATA_HOME or HOME/.local/share.
    static std::string rootIn(const std::string& dataHome);

    std::optional<std::string> keepOriginal(const std::string& track) override;

    // The copy kept of `track`, a path in its music folder.
    std::optional<KeptOriginal> find(const std::string& track) const;
    // Every copy kept, folder by folder.
    std::vector<KeptOriginal> list() const;
    // True when the copy is there and still has the content it was kept with.
    bool intact(const KeptOriginal& kept) const;
    // Forgets every copy kept for `folder` (a path as KeptOriginal::folder gives it).
    std::error_code forgetFolder(const std::string& folder);

private:
    std::string folderKeyPath(const std::string& folder) const;

    std::string root_;
};

}  // namespace corvan::soundtrack
