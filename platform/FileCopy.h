#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <system_error>

namespace corvan::platform {

// Called with each block of a file as it is read.
using BlockObserver = std::function<void(const std::uint8_t* data, std::size_t size)>;

// Copies the regular file `from` to `to` through a temporary file beside `to`, flushed and
// renamed into place only once complete: `to` is the whole copy or what it was before.
std::error_code copyFile(const std::string& from, const std::string& to,
                         const BlockObserver& seen = {});

// Shows every block of the regular file at `path` to `seen`.
std::error_code readBlocks(const std::string& path, const BlockObserver& seen);

// Writes `text` as the whole of `path` in the same all-or-nothing way.
std::error_code writeFileWhole(const std::string& path, const std::string& text);

// Removes `path` and everything below it; a missing path is no error.
std::error_code removeTree(const std::string& path);

// Makes `path` and any missing folder above it, readable by its owner only.
std::error_code makePrivateFolders(const std::string& path);

}  // namespace corvan::platform
