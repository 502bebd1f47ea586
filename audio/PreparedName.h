#pragma once

#include <functional>
#include <string>

namespace corvan::audio {

// The name proposed for the prepared copy of `source`: beside it, "NAME (prepared).wav", or
// "NAME (prepared 2).wav", 3, ... when `taken` says a name is in use, so that an earlier copy
// or another recording is never proposed for replacement. Never the source itself.
std::string freePreparedName(const std::string& source,
                             const std::function<bool(const std::string&)>& taken);
// The same for a copy that says another thing of itself: "NAME (LABEL).wav", "NAME (LABEL
// 2).wav", ...
std::string freeCopyName(const std::string& source, const std::string& label,
                         const std::function<bool(const std::string&)>& taken);

}  // namespace corvan::audio
