#pragma once

#include "FileSystem.h"

#include <string>

namespace corvan::platform {

// True when both paths name the same existing file: the same path once made canonical, or
// the same device and inode (a hard link).
bool sameFile(const std::string& a, const std::string& b);

// What `path` names, after symbolic links: Missing also when it cannot be looked at. Never
// opens it, so it never waits for a FIFO's writer.
FileKind kindOf(const std::string& path);

}  // namespace corvan::platform
