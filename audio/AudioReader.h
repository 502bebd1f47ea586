#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvan::audio {

// What a recording holds, as far as its header tells before its samples are decoded.
struct AudioFormat {
    std::string container;  // in a user's words: "WAV", "FLAC", "Ogg", "M4A", "WebM", "MP3", ...
    std::string codec;      // "16-bit PCM", "Vorbis", "Opus", "AAC", "ALAC (lossless)", ...
    int sampleRate = 0;
    int channels = 0;
    // The frame count, -1 when the file does not tell it or tells an impossible one. An
    // estimate when `framesEstimated`: the samples then go on until the stream ends.
    std::int64_t frames = -1;
    bool framesEstimated = false;
    // The frame count the header promises, -1 where it states none: fewer decoded frames
    // mean the file was cut short. An MP3's Xing or Info tag counts the encoder's padding
    // too, which the decoder drops, so it promises a little more than `frames`.
    std::int64_t framesPromised = -1;
    // The channel of each position as libsndfile's SF_CHANNEL_MAP_* values, or empty when
    // the file does not say.
    std::vector<int> channelMap;
    std::string title;
    std::string artist;
    // The number of the stream read in its file and every audio stream's number there, for
    // files that hold streams (video files, Matroska, MP4, ...); -1 and empty otherwise.
    int stream = -1;
    std::vector<int> audioStreams;
    // libsndfile's SF_FORMAT_* when libsndfile reads the file, 0 when FFmpeg does.
    int sndfileFormat = 0;
};

// One recording open for reading: libsndfile for the formats it reads exactly (WAV, AIFF,
// FLAC, Ogg, ...), FFmpeg's libraries for everything else, MP3 included, chosen by the
// file's content. Failures throw AudioError with the path and a reason about the file.
class AudioReader {
public:
    virtual ~AudioReader() = default;
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    const AudioFormat& format() const { return format_; }
    const std::string& path() const { return path_; }
    // Reads up to `count` frames, interleaved; floats at 1.0 full scale. 0 at the end.
    virtual std::size_t read(float* frames, std::size_t count) = 0;
    // The same as 16-bit samples; exact for a 16-bit PCM source.
    virtual std::size_t read(std::int16_t* frames, std::size_t count) = 0;
    // Moves the read position to `frame`.
    virtual void seek(std::int64_t frame) = 0;
    // The share of the file's bytes read so far, 0 to 1: progress where the length is unknown.
    virtual double bytesFraction() const = 0;

protected:
    AudioReader(std::string path) : path_(std::move(path)) {}
    AudioFormat format_;

private:
    std::string path_;
};

// Opens `path`. Only a regular file is opened: a FIFO or a device is refused without waiting.
// `stream` picks an audio stream by its number in the file; -1 takes the file's default.
std::unique_ptr<AudioReader> openAudio(const std::string& path, int stream = -1);
// The same for bytes in memory, named `name` in errors; `bytes` must outlive the reader.
std::unique_ptr<AudioReader> openAudioBytes(const std::uint8_t* bytes, std::size_t size,
                                            const std::string& name, int stream = -1);
// Opens `path` as a game-ready WAV's samples: 16-bit PCM at the game's rate and channel
// count. Throws AudioError when it cannot be read or holds anything else.
std::unique_ptr<AudioReader> openGameWav(const std::string& path);

}  // namespace corvan::audio
