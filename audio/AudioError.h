#pragma once

#include <stdexcept>
#include <string>

namespace corvan::audio {

// A recording that cannot be checked or prepared. what() is one line that names the file
// and gives the reason, libsndfile's own words where it gave them.
class AudioError : public std::runtime_error {
public:
    AudioError(const std::string& path, const std::string& reason);
    const std::string& path() const { return path_; }
    const std::string& reason() const { return reason_; }

private:
    std::string path_;
    std::string reason_;
};

}  // namespace corvan::audio
