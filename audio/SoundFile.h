#pragma once

#include <sndfile.h>

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
    // libsndfile's reason for the last failure on this file.
    std::string lastError() const;
    // Closes the file, finishing its header; throws when that fails.
    void close();

private:
    SoundFile(SNDFILE* file, const SF_INFO& info, std::string path);

    SNDFILE* file_;
    SF_INFO info_;
    std::string path_;
};

}  // namespace corvan::audio
