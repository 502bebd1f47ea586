#pragma once

#include "audio/GameReadiness.h"

#include <optional>
#include <string>

namespace corvan::ui {

// What the main window says beside a selected file that the game cannot play as it is:
// each way it differs, and where to get a copy that it can play; for a file that is no
// recording that can be read, that the game cannot play it. Nothing for a game-ready file.
// It is a hint, not a refusal: any file can go into a track.
std::optional<std::string> gameReadyHint(const std::string& path);
// The same from the file's judgement, made already.
std::optional<std::string> gameReadyHint(const audio::GameReadiness& readiness);

}  // namespace corvan::ui
