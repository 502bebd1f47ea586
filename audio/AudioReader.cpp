#include "audio/AudioReader.h"

#include "audio/AudioError.h"
#include "audio/ReaderBackends.h"
#include "engine/ImcFormat.h"
#include "platform/ReadOnlyFile.h"

#include <sndfile.h>

#include <cstring>

namespace corvan::audio {

namespace {

class FileBytes : public detail::ByteSource {
public:
    explicit FileBytes(const std::string& path) : file_(path) {}
    const std::error_code& error() const { return file_.error(); }
    std::int64_t size() const override { return file_.size(); }
    std::int64_t readAt(std::int64_t offset, void* buffer, std::size_t count) override {
        return file_.readAt(offset, buffer, count);
    }

private:
    platform::ReadOnlyFile file_;
};

class MemoryBytes : public detail::ByteSource {
public:
    MemoryBytes(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    std::int64_t size() const override { return static_cast<std::int64_t>(size_); }
    std::int64_t readAt(std::int64_t offset, void* buffer, std::size_t count) override {
        if (offset < 0) return -1;
        if (static_cast<std::size_t>(offset) >= size_) return 0;
        const std::size_t n = std::min(count, size_ - static_cast<std::size_t>(offset));
        std::memcpy(buffer, bytes_ + offset, n);
        return static_cast<std::int64_t>(n);
    }

private:
    const std::uint8_t* bytes_;
    std::size_t size_;
};

std::unique_ptr<AudioReader> openSource(const std::shared_ptr<detail::ByteSource>& source,
                                        const std::string& path, int stream) {
    // libsndfile reads its formats exactly and first; a stream number is FFmpeg's business,
    // since libsndfile's files hold one stream.
    std::string sndfileReason;
    if (stream < 0 && !detail::startsLikeMpegAudio(*source)) {
        if (auto reader = detail::openWithSndfile(source, path, sndfileReason)) return reader;
    }
    try {
        return detail::openWithFfmpeg(source, path, stream);
    } catch (const AudioError& error) {
        // Where FFmpeg does not know the bytes at all, libsndfile's word on a file it did
        // recognise says more.
        if (!sndfileReason.empty() && error.reason().find("not a recording") != std::string::npos) {
            throw AudioError(path, sndfileReason);
        }
        throw;
    }
}

}  // namespace

std::unique_ptr<AudioReader> openAudio(const std::string& path, int stream) {
    auto source = std::make_shared<FileBytes>(path);
    if (source->error()) throw AudioError(path, source->error().message());
    return openSource(source, path, stream);
}

std::unique_ptr<AudioReader> openAudioBytes(const std::uint8_t* bytes, std::size_t size,
                                            const std::string& name, int stream) {
    return openSource(std::make_shared<MemoryBytes>(bytes, size), name, stream);
}

std::unique_ptr<AudioReader> openGameWav(const std::string& path) {
    std::unique_ptr<AudioReader> reader = openAudio(path);
    const AudioFormat& info = reader->format();
    if ((info.sndfileFormat & SF_FORMAT_SUBMASK) != SF_FORMAT_PCM_16 ||
        info.sampleRate != imc::kSampleRate || info.channels != imc::kChannels) {
        throw AudioError(path, "not a game-ready WAV (16-bit PCM, 22,050 Hz, stereo)");
    }
    return reader;
}

}  // namespace corvan::audio
