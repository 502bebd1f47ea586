#pragma once

#include <string>
#include <vector>

namespace corvan::soundtrack {

// The library folders named in the text of Steam's libraryfolders.vdf: every "path" value,
// and in the file's older form the numbered entries whose value is a folder. Only what
// Steam writes there is understood; anything else in the file is passed over.
std::vector<std::string> steamLibraryPaths(const std::string& vdfText);

}  // namespace corvan::soundtrack
