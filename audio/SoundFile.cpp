#include "audio/SoundFile.h"

#include "audio/AudioError.h"
#include "engine/ImcFormat.h"

#include <utility>

namespace corvan::audio {

SoundFile::SoundFile(SNDFILE* file, const SF_INFO& info, std::string path)
    : file_(file), info_(info), path_(std::move(path)) {}

SoundFile::SoundFile(SoundFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      info_(other.info_),
      path_(std::move(other.path_)) {}

SoundFile::~SoundFile() {
    if (file_ != nullptr) sf_close(file_);
}

SoundFile SoundFile::openGameWavForWriting(int fd, const std::string& path) {
    SF_INFO info{};
    info.samplerate = imc::kSampleRate;
    info.channels = imc::kChannels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE);
    if (file == nullptr) throw AudioError(path, sf_strerror(nullptr));
    // Whatever precedes the samples is played as sound, so the header must stay bare.
    sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    return SoundFile(file, info, path);
}

void SoundFile::write(const std::int16_t* frames, std::size_t count) const {
    const auto wanted = static_cast<sf_count_t>(count);
    if (sf_writef_short(file_, frames, wanted) != wanted) {
        throw AudioError(path_, sf_strerror(file_));
    }
}

void SoundFile::close() {
    SNDFILE* file = std::exchange(file_, nullptr);
    if (file == nullptr) return;
    const int error = sf_close(file);
    if (error != 0) throw AudioError(path_, sf_error_number(error));
}

}  // namespace corvan::audio
