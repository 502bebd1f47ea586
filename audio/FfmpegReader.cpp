// Reading through FFmpeg's libavformat and libavcodec, from a ByteSource through a custom
// AVIOContext; libswresample only turns the decoder's samples into interleaved floats.

#include "audio/AudioError.h"
#include "audio/ReaderBackends.h"
#include "audio/Wording.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string_view>

namespace corvan::audio::detail {

namespace {

constexpr int kIoBufferBytes = 64 * 1024;

// FFmpeg's log lines are for developers; what the user reads is the reason we give.
void silenceFfmpeg() {
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(AV_LOG_QUIET);
        av_log_set_callback([](void*, int, const char*, va_list) {});
    });
}

int readPacket(void* data, std::uint8_t* buffer, int size) {
    auto* source = static_cast<ByteSource*>(data);
    const std::int64_t got =
        source->readAt(source->position, buffer, static_cast<std::size_t>(size));
    if (got < 0) return AVERROR(EIO);
    if (got == 0) return AVERROR_EOF;
    source->position += got;
    return static_cast<int>(got);
}

std::int64_t seekBytes(void* data, std::int64_t offset, int whence) {
    auto* source = static_cast<ByteSource*>(data);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return source->size();
    const std::int64_t base = whence == SEEK_CUR   ? source->position
                              : whence == SEEK_END ? source->size()
                                                   : 0;
    if (base + offset < 0) return AVERROR(EINVAL);
    source->position = base + offset;
    return source->position;
}

std::string codecName(const AVCodecParameters& codec) {
    switch (codec.codec_id) {
        case AV_CODEC_ID_AAC:
            return "AAC";
        case AV_CODEC_ID_ALAC:
            return "ALAC (lossless)";
        case AV_CODEC_ID_OPUS:
            return "Opus";
        case AV_CODEC_ID_VORBIS:
            return "Vorbis";
        case AV_CODEC_ID_FLAC:
            return "FLAC";
        case AV_CODEC_ID_MP3:
            return "MP3";
        case AV_CODEC_ID_MP2:
            return "MP2";
        case AV_CODEC_ID_WMAV1:
        case AV_CODEC_ID_WMAV2:
            return "WMA";
        case AV_CODEC_ID_WMAPRO:
            return "WMA Pro";
        case AV_CODEC_ID_WMALOSSLESS:
            return "WMA Lossless";
        case AV_CODEC_ID_AC3:
            return "AC-3";
        case AV_CODEC_ID_EAC3:
            return "E-AC-3";
        case AV_CODEC_ID_DTS:
            return "DTS";
        case AV_CODEC_ID_NONE: {
            // A codec FFmpeg does not know at all, such as a DRM-protected one: its tag.
            char tag[AV_FOURCC_MAX_STRING_SIZE]{};
            av_fourcc_make_string(tag, codec.codec_tag);
            return codec.codec_tag != 0 ? std::string("an unknown codec (") + tag + ")"
                                        : "an unknown codec";
        }
        default:
            break;
    }
    if (const int bits = av_get_bits_per_sample(codec.codec_id);
        bits > 0 && std::strncmp(avcodec_get_name(codec.codec_id), "pcm_", 4) == 0) {
        return std::to_string(bits) + "-bit PCM";
    }
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec.codec_id);
    return descriptor != nullptr && descriptor->long_name != nullptr
               ? descriptor->long_name
               : avcodec_get_name(codec.codec_id);
}

std::string containerName(const AVFormatContext& context, ByteSource& source) {
    const std::string name = context.iformat->name;
    if (name.rfind("mov,", 0) == 0) {
        const AVDictionaryEntry* brand = av_dict_get(context.metadata, "major_brand", nullptr, 0);
        const std::string major = brand != nullptr ? brand->value : "";
        if (major.rfind("M4A", 0) == 0 || major.rfind("M4B", 0) == 0) return "M4A";
        if (major.rfind("qt", 0) == 0) return "QuickTime";
        return "MP4";
    }
    if (name == "matroska,webm") {
        // Both are EBML; the DocType near the start tells them apart.
        char head[64]{};
        const std::int64_t got = source.readAt(0, head, sizeof head);
        const std::string start(head, static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
        return start.find("webm") != std::string::npos ? "WebM" : "Matroska";
    }
    if (name == "asf") return "Windows Media (ASF)";
    if (name == "mp3") return "MP3";
    if (name == "ac3") return "AC-3";
    if (name == "eac3") return "E-AC-3";
    if (name == "aac") return "AAC (ADTS)";
    if (name == "ogg") return "Ogg";
    if (name == "avi") return "AVI";
    if (name == "wav") return "WAV";
    if (name == "flac") return "FLAC";
    return context.iformat->long_name != nullptr ? context.iformat->long_name : name;
}

// libsndfile's channel names, which StereoMixer knows, for FFmpeg's.
int sndfileChannel(AVChannel channel) {
    switch (channel) {
        case AV_CHAN_FRONT_LEFT:
            return SF_CHANNEL_MAP_LEFT;
        case AV_CHAN_FRONT_RIGHT:
            return SF_CHANNEL_MAP_RIGHT;
        case AV_CHAN_FRONT_CENTER:
            return SF_CHANNEL_MAP_CENTER;
        case AV_CHAN_LOW_FREQUENCY:
        case AV_CHAN_LOW_FREQUENCY_2:
            return SF_CHANNEL_MAP_LFE;
        case AV_CHAN_BACK_LEFT:
            return SF_CHANNEL_MAP_REAR_LEFT;
        case AV_CHAN_BACK_RIGHT:
            return SF_CHANNEL_MAP_REAR_RIGHT;
        case AV_CHAN_BACK_CENTER:
            return SF_CHANNEL_MAP_REAR_CENTER;
        case AV_CHAN_SIDE_LEFT:
            return SF_CHANNEL_MAP_SIDE_LEFT;
        case AV_CHAN_SIDE_RIGHT:
            return SF_CHANNEL_MAP_SIDE_RIGHT;
        case AV_CHAN_FRONT_LEFT_OF_CENTER:
            return SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER;
        case AV_CHAN_FRONT_RIGHT_OF_CENTER:
            return SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER;
        default:
            return SF_CHANNEL_MAP_INVALID;
    }
}

std::string metadata(const AVDictionary* container, const AVDictionary* stream, const char* key) {
    const AVDictionaryEntry* entry = av_dict_get(container, key, nullptr, 0);
    if (entry == nullptr) entry = av_dict_get(stream, key, nullptr, 0);
    return entry != nullptr ? entry->value : "";
}

std::string timeOf(std::int64_t frames, int rate) {
    return rate > 0 ? formatTime(static_cast<double>(frames) / rate) : "0:00.000";
}

// The samples an MP3 decoder puts before the first one it was given (its filter bank's
// delay, 528 + 1), whatever the encoder.
constexpr std::size_t kMp3DecoderDelay = 529;

class FfmpegReader : public AudioReader {
public:
    FfmpegReader(std::shared_ptr<ByteSource> source, const std::string& path, int stream)
        : AudioReader(path), source_(std::move(source)), wanted_(stream) {}
    ~FfmpegReader() override { close(); }

    // Opens the container and the decoder and decodes the first samples, so that what
    // cannot be decoded is refused at once and the format is what the decoder gives.
    void open() {
        start();
        describe();
    }

    std::size_t read(float* frames, std::size_t count) override {
        const auto channels = static_cast<std::size_t>(format_.channels);
        if (lastFrame_ >= 0) {
            count = std::min<std::size_t>(
                count, static_cast<std::size_t>(std::max<std::int64_t>(0, lastFrame_ - position_)));
        }
        std::size_t done = 0;
        while (done < count) {
            if (taken_ == buffered_ && !decodeMore()) break;
            const std::size_t n = std::min(count - done, buffered_ - taken_);
            std::memcpy(frames + done * channels, buffer_.data() + taken_ * channels,
                        n * channels * sizeof(float));
            taken_ += n;
            done += n;
        }
        position_ += static_cast<std::int64_t>(done);
        return done;
    }

    std::size_t read(std::int16_t* frames, std::size_t count) override {
        floats_.resize(count * static_cast<std::size_t>(format_.channels));
        const std::size_t got = read(floats_.data(), count);
        for (std::size_t i = 0; i < got * static_cast<std::size_t>(format_.channels); ++i) {
            frames[i] = static_cast<std::int16_t>(
                std::clamp(std::lrint(floats_[i] * 32768.0f), -32768L, 32767L));
        }
        return got;
    }

    // Seeking backwards decodes again from the start: exact, and rare (loops are found in
    // game-ready WAVs, which libsndfile reads).
    void seek(std::int64_t frame) override {
        if (frame < position_) {
            close();
            start();
        }
        std::vector<float> skip(4096 * static_cast<std::size_t>(format_.channels));
        while (position_ < frame) {
            const auto n =
                static_cast<std::size_t>(std::min<std::int64_t>(4096, frame - position_));
            if (read(skip.data(), n) == 0) break;
        }
    }

    double bytesFraction() const override { return source_->fractionRead(); }

private:
    [[noreturn]] void damaged(const std::string& what) const {
        throw AudioError(path(), "the file is damaged: " + what);
    }

    void start() {
        source_->position = 0;
        position_ = 0;
        taken_ = buffered_ = 0;
        ended_ = flushed_ = false;
        auto* ioBuffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
        io_ = avio_alloc_context(ioBuffer, kIoBufferBytes, 0, source_.get(), readPacket, nullptr,
                                 seekBytes);
        if (io_ == nullptr) {
            av_free(ioBuffer);
            throw std::bad_alloc();
        }
        context_ = avformat_alloc_context();
        if (context_ == nullptr) throw std::bad_alloc();
        context_->pb = io_;
        context_->flags |= AVFMT_FLAG_CUSTOM_IO;
        const AVInputFormat* kind = nullptr;
        if (av_probe_input_buffer2(io_, &kind, nullptr, nullptr, 0, 0) < 0 || kind == nullptr) {
            throw AudioError(path(), "it is not a recording in any format this program reads");
        }
        if (avformat_open_input(&context_, nullptr, kind, nullptr) < 0) {
            // avformat_open_input frees the context when it fails.
            const std::string name = kind->long_name != nullptr ? kind->long_name : kind->name;
            damaged("it starts as " + name +
                    " but its structure cannot be read; it may be cut short");
        }
        if (avformat_find_stream_info(context_, nullptr) < 0) {
            damaged("its streams cannot be made out");
        }
        pickStream();
        AVStream* stream = context_->streams[index_];
        const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
        if (decoder == nullptr) {
            throw AudioError(path(), "its audio is " + codecName(*stream->codecpar) +
                                         ", which cannot be decoded here");
        }
        codec_ = avcodec_alloc_context3(decoder);
        if (codec_ == nullptr) throw std::bad_alloc();
        if (avcodec_parameters_to_context(codec_, stream->codecpar) < 0 ||
            (codec_->pkt_timebase = stream->time_base, avcodec_open2(codec_, decoder, nullptr)) <
                0) {
            throw AudioError(path(), "its " + codecName(*stream->codecpar) +
                                         " audio cannot be decoded: its settings are damaged");
        }
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
        if (packet_ == nullptr || frame_ == nullptr) throw std::bad_alloc();
        // Without a LAME or Info tag nothing tells how much the encoder put before the music,
        // but the decoder's own delay is the same for every MP3, so that much goes.
        const bool untaggedMp3 = stream->codecpar->codec_id == AV_CODEC_ID_MP3 &&
                                 (stream->start_time == AV_NOPTS_VALUE || stream->start_time <= 0);
        leadingToDrop_ = untaggedMp3 ? kMp3DecoderDelay : 0;
        if (!decodeMore()) {
            throw AudioError(path(), "its " + codecName(*stream->codecpar) +
                                         " audio holds no samples that can be decoded");
        }
    }

    void pickStream() {
        std::vector<int> audio;
        for (unsigned i = 0; i < context_->nb_streams; ++i) {
            if (context_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
                audio.push_back(static_cast<int>(i));
            }
        }
        format_.audioStreams = audio;
        if (audio.empty()) throw AudioError(path(), "the file holds no audio stream");
        if (wanted_ >= 0) {
            if (std::find(audio.begin(), audio.end(), wanted_) == audio.end()) {
                std::string numbers;
                for (const int n : audio)
                    numbers += (numbers.empty() ? "" : ", ") + std::to_string(n);
                throw AudioError(path(), "it has no audio stream " + std::to_string(wanted_) +
                                             "; its audio streams are " + numbers);
            }
            index_ = wanted_;
            return;
        }
        const int best = av_find_best_stream(context_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        index_ = best >= 0 ? best : audio.front();
    }

    // What the container and the first decoded samples say.
    void describe() {
        const AVStream* stream = context_->streams[index_];
        format_.container = containerName(*context_, *source_);
        format_.codec = codecName(*stream->codecpar);
        format_.sampleRate = frame_->sample_rate;
        format_.channels = frame_->ch_layout.nb_channels;
        format_.stream = index_;
        format_.title = metadata(context_->metadata, stream->metadata, "title");
        format_.artist = metadata(context_->metadata, stream->metadata, "artist");
        if (format_.artist.empty()) {
            format_.artist = metadata(context_->metadata, stream->metadata, "author");
        }
        if (frame_->ch_layout.order == AV_CHANNEL_ORDER_NATIVE) {
            for (int c = 0; c < format_.channels; ++c) {
                format_.channelMap.push_back(sndfileChannel(av_channel_layout_channel_from_index(
                    &frame_->ch_layout, static_cast<unsigned>(c))));
            }
        }
        double seconds = -1;
        if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
            seconds = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
        } else if (context_->duration != AV_NOPTS_VALUE && context_->duration > 0) {
            seconds = static_cast<double>(context_->duration) / AV_TIME_BASE;
        }
        format_.frames = seconds >= 0 ? std::llround(seconds * format_.sampleRate) : -1;
        // Without a header that counts its frames (an MP3's Xing or Info tag), the length is
        // worked out from the bit rate: a guess, wrong for variable bit rates.
        const bool guessed = context_->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE;
        format_.framesPromised = guessed ? -1 : format_.frames;
        // An MP3's Xing count includes the encoder's padding and a Matroska length an Opus
        // stream's pre-skip, both of which the decoder drops: decoding tells.
        const AVCodecID codec = stream->codecpar->codec_id;
        format_.framesEstimated = guessed || codec == AV_CODEC_ID_MP3 || codec == AV_CODEC_ID_OPUS;
        // An MP4's edit list states the music's exact length; the decoder drops the encoder's
        // delay before it but not the padding of the last frame after it.
        if (std::string_view(context_->iformat->name).starts_with("mov,") &&
            stream->duration != AV_NOPTS_VALUE && stream->duration > 0 &&
            !format_.framesEstimated) {
            lastFrame_ = format_.frames;
        }
    }

    // Decodes the next frame into buffer_; false at the end of the stream.
    bool decodeMore() {
        while (!ended_) {
            const int received = avcodec_receive_frame(codec_, frame_);
            if (received == 0) {
                // The frame stays until the next one: its rate and layout describe the stream.
                convert();
                const std::size_t dropped = std::min(buffered_, leadingToDrop_);
                taken_ += dropped;
                leadingToDrop_ -= dropped;
                if (taken_ < buffered_) return true;
                continue;
            }
            if (received == AVERROR_EOF) {
                ended_ = true;
                break;
            }
            if (received != AVERROR(EAGAIN)) damaged(whereDecoding());
            feedPacket();
        }
        return false;
    }

    void feedPacket() {
        for (;;) {
            if (flushed_) damaged(whereDecoding());  // the decoder wants more after the end
            const int got = av_read_frame(context_, packet_);
            if (got == AVERROR_EOF || (got < 0 && avio_feof(context_->pb))) {
                flushed_ = true;
                avcodec_send_packet(codec_, nullptr);
                return;
            }
            if (got < 0)
                damaged("its data cannot be read after " + timeOf(position_, format_.sampleRate));
            if (packet_->stream_index != index_) {
                av_packet_unref(packet_);
                continue;
            }
            const int sent = avcodec_send_packet(codec_, packet_);
            av_packet_unref(packet_);
            if (sent < 0 && sent != AVERROR(EAGAIN)) damaged(whereDecoding());
            return;
        }
    }

    std::string whereDecoding() const {
        const std::string codec = codecName(*context_->streams[index_]->codecpar);
        return "its " + codec + " audio cannot be decoded after " +
               timeOf(position_ + static_cast<std::int64_t>(buffered_), format_.sampleRate);
    }

    void convert() {
        const int channels = frame_->ch_layout.nb_channels;
        if (channels <= 0 || frame_->sample_rate <= 0 ||
            (format_.channels > 0 &&
             (channels != format_.channels || frame_->sample_rate != format_.sampleRate))) {
            damaged("its audio changes its channels or rate after " +
                    timeOf(position_, format_.sampleRate));
        }
        if (swr_ == nullptr) {
            if (swr_alloc_set_opts2(&swr_, &frame_->ch_layout, AV_SAMPLE_FMT_FLT,
                                    frame_->sample_rate, &frame_->ch_layout,
                                    static_cast<AVSampleFormat>(frame_->format),
                                    frame_->sample_rate, 0, nullptr) < 0 ||
                swr_init(swr_) < 0) {
                damaged("its samples are in a form that cannot be converted");
            }
        }
        const auto count = static_cast<std::size_t>(frame_->nb_samples);
        buffer_.resize(count * static_cast<std::size_t>(channels));
        auto* out = reinterpret_cast<std::uint8_t*>(buffer_.data());
        const int made = swr_convert(swr_, &out, frame_->nb_samples,
                                     const_cast<const std::uint8_t**>(frame_->extended_data),
                                     frame_->nb_samples);
        if (made < 0) damaged("its samples cannot be converted");
        buffered_ = static_cast<std::size_t>(made);
        taken_ = 0;
    }

    void close() {
        swr_free(&swr_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&codec_);
        avformat_close_input(&context_);
        if (io_ != nullptr) av_freep(&io_->buffer);
        avio_context_free(&io_);
    }

    std::shared_ptr<ByteSource> source_;
    int wanted_;
    int index_ = -1;
    AVIOContext* io_ = nullptr;
    AVFormatContext* context_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    SwrContext* swr_ = nullptr;
    std::vector<float> buffer_;
    std::vector<float> floats_;
    std::size_t buffered_ = 0;
    std::size_t taken_ = 0;
    std::int64_t position_ = 0;
    // The decoder's delay still to drop at the start of an MP3 without a tag.
    std::size_t leadingToDrop_ = 0;
    // Where the container says the music ends, or -1 where the decoder's end is the end.
    std::int64_t lastFrame_ = -1;
    bool ended_ = false;
    bool flushed_ = false;
};

}  // namespace

std::unique_ptr<AudioReader> openWithFfmpeg(std::shared_ptr<ByteSource> source,
                                            const std::string& path, int stream) {
    silenceFfmpeg();
    auto reader = std::make_unique<FfmpegReader>(std::move(source), path, stream);
    reader->open();
    return reader;
}

}  // namespace corvan::audio::detail
