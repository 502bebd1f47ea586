#pragma once

#include <sndfile.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvan::audio {

// An open libsndfile handle, closed when it goes. Failures throw AudioError with the path
// and libsndfile's reason.
class SoundFile {
public:
    // Opens `path` for reading.
    static SoundFile openForReading(const std::string& path);
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
    // The channel of each position as libsndfile's SF_CHANNEL_MAP_* values, or empty when
    // the file does not say.
    std::vector<int> channelMap() const;
    // Reads up to `count` frames, converted by libsndfile (floats at 1.0 full scale); 0 at
    // the end. Throws when libsndfile reports an error.
    std::size_t read(float* frames, std::size_t count) const;
    std::size_t read(std::int16_t* frames, std::size_t count) const;
    // Moves the read position to `frame`; throws when libsndfile cannot.
    void seek(std::int64_t frame) const;
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
