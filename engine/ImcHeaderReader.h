#pragma once

#include "ImcInspector.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

#include <cstdint>

#include <optional>
#include <string>

namespace corvan {

// Reads until `buffer` is full or the file ends; nothing when a read fails.
std::optional<std::uint32_t> readUpTo(platform::File& file, std::uint8_t* buffer,
                                      std::uint32_t size);

// Whether `path` starts with the IMC container's tag; false when it cannot be read.
bool startsLikeImc(platform::FileSystem& files, const std::string& path);

// Reads and inspects the header of the IMC file at `path`; nothing, with `problem` saying
// why, when the file cannot be opened or read.
std::optional<ImcInspection> readImcHeader(platform::FileSystem& files, const std::string& path,
                                           std::string& problem);

// True when the file at `path` carries a Corvan header, well-formed or damaged: a track
// Corvan wrote, not one the game came with.
bool isCorvanTrack(platform::FileSystem& files, const std::string& path);

}  // namespace corvan
