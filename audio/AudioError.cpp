#include "audio/AudioError.h"

namespace corvan::audio {

AudioError::AudioError(const std::string& path, const std::string& reason)
    : std::runtime_error(path + ": " + reason), path_(path), reason_(reason) {}

}  // namespace corvan::audio
