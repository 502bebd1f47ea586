#include "audio/PreparedName.h"

#include "platform/PathNames.h"

namespace corvan::audio {

std::string freePreparedName(const std::string& source,
                             const std::function<bool(const std::string&)>& taken) {
    return freeCopyName(source, "prepared", taken);
}

std::string freeCopyName(const std::string& source, const std::string& label,
                         const std::function<bool(const std::string&)>& taken) {
    const std::string folder = platform::parentOf(source);
    const std::string stem = platform::stemOf(source);
    for (int n = 1;; ++n) {
        const std::string suffix =
            " (" + label + (n == 1 ? std::string() : " " + std::to_string(n)) + ").wav";
        const std::string name = platform::joinPath(folder, stem + suffix);
        // The name always grows, so it can never be the source's own.
        if (!taken(name)) return name;
    }
}

}  // namespace corvan::audio
