// Reading through libsndfile, from a ByteSource through its virtual I/O.

#include "audio/AudioError.h"
#include "audio/ReaderBackends.h"
#include "audio/Wording.h"

#include <sndfile.h>

#include <cstring>
#include <limits>

namespace corvan::audio::detail {

namespace {

sf_count_t fileLength(void* data) {
    return static_cast<ByteSource*>(data)->size();
}

sf_count_t seekTo(sf_count_t offset, int whence, void* data) {
    auto* source = static_cast<ByteSource*>(data);
    const std::int64_t base = whence == SEEK_CUR   ? source->position
                              : whence == SEEK_END ? source->size()
                                                   : 0;
    if (base + offset < 0) return -1;
    source->position = base + offset;
    return source->position;
}

sf_count_t readBytes(void* buffer, sf_count_t count, void* data) {
    auto* source = static_cast<ByteSource*>(data);
    const std::int64_t got =
        source->readAt(source->position, buffer, static_cast<std::size_t>(count));
    if (got < 0) return 0;
    source->position += got;
    return got;
}

sf_count_t writeNothing(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t tell(void* data) {
    return static_cast<ByteSource*>(data)->position;
}

// libsndfile's words, minus those about its own workings ("possibly a pipe?"), which say
// nothing about the file.
std::string damageReason(const char* text) {
    const std::string words = text != nullptr ? text : "";
    if (words.empty() || words.find("pipe") != std::string::npos ||
        words.find("nternal") != std::string::npos) {
        return "the file is damaged or cut short";
    }
    return words;
}

class SndfileReader : public AudioReader {
public:
    SndfileReader(std::shared_ptr<ByteSource> source, const std::string& path)
        : AudioReader(path), source_(std::move(source)) {}
    ~SndfileReader() override {
        if (file_ != nullptr) sf_close(file_);
    }

    // False when libsndfile does not know the bytes; `error` is its error code then.
    bool open(int& error) {
        io_ = {fileLength, seekTo, readBytes, writeNothing, tell};
        SF_INFO info{};
        file_ = sf_open_virtual(&io_, SFM_READ, &info, source_.get());
        if (file_ == nullptr) {
            error = sf_error(nullptr);
            return false;
        }
        format_.sndfileFormat = info.format;
        format_.container = describeContainer(info.format);
        format_.codec = describeEncoding(info.format);
        format_.sampleRate = info.samplerate;
        format_.channels = info.channels;
        // A truncated Ogg stream tells 2^63 - 1 frames: no recording is that long.
        constexpr sf_count_t kImpossible = std::numeric_limits<sf_count_t>::max() / 4;
        format_.frames = info.frames >= 0 && info.frames < kImpossible ? info.frames : -1;
        format_.framesPromised = format_.frames;
        std::vector<int> map(static_cast<std::size_t>(std::max(info.channels, 0)));
        if (!map.empty() && sf_command(file_, SFC_GET_CHANNEL_MAP_INFO, map.data(),
                                       static_cast<int>(map.size() * sizeof(int))) == SF_TRUE) {
            format_.channelMap = map;
        }
        if (const char* title = sf_get_string(file_, SF_STR_TITLE)) format_.title = title;
        if (const char* artist = sf_get_string(file_, SF_STR_ARTIST)) format_.artist = artist;
        return true;
    }

    std::size_t read(float* frames, std::size_t count) override {
        return checked(sf_readf_float(file_, frames, static_cast<sf_count_t>(count)));
    }
    std::size_t read(std::int16_t* frames, std::size_t count) override {
        return checked(sf_readf_short(file_, frames, static_cast<sf_count_t>(count)));
    }
    void seek(std::int64_t frame) override {
        if (sf_seek(file_, static_cast<sf_count_t>(frame), SEEK_SET) < 0) {
            throw AudioError(path(), damageReason(sf_strerror(file_)));
        }
    }
    double bytesFraction() const override { return source_->fractionRead(); }

private:
    // libsndfile may report a decoding error (a FLAC stream that loses sync) while still
    // returning frames, so its error state is asked after every read.
    std::size_t checked(sf_count_t got) const {
        if (got < 0 || sf_error(file_) != SF_ERR_NO_ERROR) {
            throw AudioError(path(), damageReason(sf_strerror(file_)));
        }
        return static_cast<std::size_t>(got);
    }

    std::shared_ptr<ByteSource> source_;
    SF_VIRTUAL_IO io_{};
    SNDFILE* file_ = nullptr;
};

}  // namespace

bool startsLikeMpegAudio(ByteSource& source) {
    unsigned char head[4]{};
    if (source.readAt(0, head, sizeof head) < static_cast<std::int64_t>(sizeof head)) return false;
    if (std::memcmp(head, "ID3", 3) == 0) return true;
    // A frame header: 11 sync bits, a version and a layer that exist.
    return head[0] == 0xFF && (head[1] & 0xE0) == 0xE0 && (head[1] & 0x18) != 0x08 &&
           (head[1] & 0x06) != 0;
}

std::unique_ptr<AudioReader> openWithSndfile(std::shared_ptr<ByteSource> source,
                                             const std::string& path, std::string& reason) {
    auto reader = std::make_unique<SndfileReader>(std::move(source), path);
    int error = SF_ERR_NO_ERROR;
    if (!reader->open(error)) {
        // Only the reason of a file libsndfile recognised says something about it.
        if (error != SF_ERR_UNRECOGNISED_FORMAT && error != SF_ERR_SYSTEM) {
            reason = damageReason(sf_strerror(nullptr));
        }
        return nullptr;
    }
    // libsndfile only estimates an MP3's length; FFmpeg reads it to its real end.
    if ((reader->format().sndfileFormat & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) return nullptr;
    return reader;
}

}  // namespace corvan::audio::detail
