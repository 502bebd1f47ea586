#pragma once

#include <sndfile.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvan::audio {

// A game-ready WAV being written through libsndfile, closed when it goes (reading goes
// through AudioReader). Failures throw AudioError with the path
// and libsndfile's reason.
class SoundFile {
public:
    // Writes a 16-bit PCM WAV of the game's rate and channels to the open descriptor `fd`,
    // which stays open; `path` names it in errors. No PEAK or other chunk is added.
    static SoundFile openGameWavForWriting(int fd, const std::string& path);

    SoundFile(SoundFile&& other) noexcept;
    SoundFile& operator=(SoundFile&&) = delete;
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;
    ~SoundFile();

    const SF_INFO& info() const { return info_; }
    const std::string& path() const { return path_; }
    SNDFILE* handle() const { return file_; }
    // Writes `count` 16-bit frames; throws when not all of them were written.
    void write(const std::int16_t* frames, std::size_t count) const;
    // Closes the file, finishing its header; throws when that fails.
    void close();

private:
    SoundFile(SNDFILE* file, const SF_INFO& info, std::string path);

    SNDFILE* file_;
    SF_INFO info_;
    std::string path_;
};

}  // namespace corvan::audio
