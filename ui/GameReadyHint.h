#pragma once

#include <optional>
#include <string>

namespace corvan::ui {

// What the main window says beside a selected recording that the game cannot play as it
// is: each way it differs, and where to get a copy that it can play. Nothing for a
// game-ready file, nor for one that libsndfile cannot read, since the header is all that
// is written and any file can go into a track.
std::optional<std::string> gameReadyHint(const std::string& path);

}  // namespace corvan::ui
