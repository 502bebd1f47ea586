#pragma once

// The two ways a recording is read, behind AudioReader; only AudioReader.cpp uses them.

#include "audio/AudioReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace corvan::audio::detail {

// The bytes of a recording, read at any offset by the decoding libraries.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::int64_t size() const = 0;
    // Up to `count` bytes at `offset`, fewer only at the end; -1 on a read error.
    virtual std::int64_t readAt(std::int64_t offset, void* buffer, std::size_t count) = 0;

    // Where the library reading it stands: the progress of a recording whose length is
    // unknown. Not the furthest byte read, since a header at the end (an MP4's, an Ogg
    // stream's last page) is read first.
    std::int64_t position = 0;
    double fractionRead() const {
        return size() > 0 ? std::clamp(static_cast<double>(position) / size(), 0.0, 1.0) : 1.0;
    }
};

// Nothing when libsndfile does not recognise the bytes or leaves them to FFmpeg (MP3, whose
// length libsndfile only estimates); `reason` then says why where libsndfile gave one.
// Throws AudioError when it recognises them and they are damaged.
std::unique_ptr<AudioReader> openWithSndfile(std::shared_ptr<ByteSource> source,
                                             const std::string& path, std::string& reason);
// Throws AudioError naming what in the file cannot be read.
std::unique_ptr<AudioReader> openWithFfmpeg(std::shared_ptr<ByteSource> source,
                                            const std::string& path, int stream);
// True when the bytes start like MPEG audio (an ID3 tag or a frame header): FFmpeg's.
bool startsLikeMpegAudio(ByteSource& source);

}  // namespace corvan::audio::detail
