#pragma once

#include "ImcInspector.h"
#include "platform/FileSystem.h"

#include <optional>
#include <string>

namespace corvan {

// Reads and inspects the header of the IMC file at `path`; nothing, with `problem` saying
// why, when the file cannot be opened or read.
std::optional<ImcInspection> readImcHeader(platform::FileSystem& files, const std::string& path,
                                           std::string& problem);

// True when the file at `path` carries a Corvan header, well-formed or damaged: a track
// Corvan wrote, not one the game came with.
bool isCorvanTrack(platform::FileSystem& files, const std::string& path);

}  // namespace corvan
