#include "audio/AudioCheck.h"

#include "audio/AudioPreparer.h"
#include "audio/AudioReader.h"
#include "audio/RiffChunks.h"
#include "audio/Wording.h"
#include "engine/ImcFormat.h"

#include <sndfile.h>

#include <optional>

namespace corvan::audio {

namespace {

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : ", ") + word;
    return text;
}

// What a RIFF WAVE file holds between its header and its samples that the game would play.
void addLayoutDifferences(const RiffLayout& layout, AudioReport& report) {
    for (const RiffChunk& chunk : layout.chunks) {
        if (chunk.id == "fmt " && chunk.length != 16) {
            report.differences.push_back("its format chunk is " + std::to_string(chunk.length) +
                                         " bytes long, not 16; the game would play the extra "
                                         "bytes as noise");
        }
        if (chunk.id != "fmt " && chunk.id != "data") report.chunksBeforeData.push_back(chunk.id);
    }
    if (!report.chunksBeforeData.empty()) {
        report.differences.push_back("it carries " + joined(report.chunksBeforeData) +
                                     " before its samples; the game would play them as noise");
    }
    if (layout.lengthUnknown()) {
        report.differences.push_back("its header does not give the length of its samples");
    }
    if (layout.cutShort()) {
        report.differences.push_back(
            "it is cut short: its header promises " + withThousands(layout.chunks.back().length) +
            " bytes of samples, the file holds " + withThousands(layout.dataBytesPresent()));
    }
}

}  // namespace

// Counts the frames of a stream whose header only guesses them.
std::int64_t decodedFrames(AudioReader& reader) {
    std::vector<float> block(8192 * static_cast<std::size_t>(reader.format().channels));
    std::int64_t frames = 0;
    while (const std::size_t got = reader.read(block.data(), 8192)) {
        frames += static_cast<std::int64_t>(got);
    }
    return frames;
}

AudioReport checkAudio(const std::string& path, int stream) {
    const std::unique_ptr<AudioReader> reader = openAudio(path, stream);
    const AudioFormat& info = reader->format();
    AudioReport report;
    report.path = path;
    report.container = info.container;
    report.encoding = info.codec;
    report.codec = info.sndfileFormat != 0 ? describeCodec(info.sndfileFormat) : info.codec;
    report.sampleRate = info.sampleRate;
    report.channels = info.channels;
    report.title = info.title;
    report.artist = info.artist;
    report.stream = info.stream;
    report.audioStreams = info.audioStreams;
    report.frames = info.framesEstimated ? decodedFrames(*reader) : info.frames;
    report.durationSeconds = report.frames < 0 ? -1.0
                             : info.sampleRate > 0
                                 ? static_cast<double>(report.frames) / info.sampleRate
                                 : 0.0;

    const int major = info.sndfileFormat & SF_FORMAT_TYPEMASK;
    if (major == SF_FORMAT_WAVEX) {
        report.differences.push_back("it is a WAV with an extended format header, not a plain WAV");
    } else if (major != SF_FORMAT_WAV) {
        report.differences.push_back("it is " + report.container + ", not a plain WAV");
    }
    if ((info.sndfileFormat & SF_FORMAT_SUBMASK) != SF_FORMAT_PCM_16) {
        report.differences.push_back("its samples are " + report.encoding + ", not 16-bit PCM");
    }
    if (info.sampleRate != imc::kSampleRate) {
        report.differences.push_back("its sample rate is " + withThousands(info.sampleRate) +
                                     " Hz, not " + withThousands(imc::kSampleRate) + " Hz");
    }
    if (info.channels != imc::kChannels) {
        report.differences.push_back("it has " + describeChannels(info.channels) + ", not " +
                                     describeChannels(imc::kChannels));
    }
    if (major == SF_FORMAT_WAV) {
        const std::optional<RiffLayout> layout = readRiffLayout(path);
        if (layout) {
            addLayoutDifferences(*layout, report);
        } else {
            // libsndfile also reads big-endian RIFX files as WAV; the game does not.
            report.differences.push_back("it is not a little-endian RIFF WAVE file");
        }
    }
    if (report.frames == 0) report.differences.push_back("it holds no samples");
    const std::int64_t slack = info.sndfileFormat != 0 ? 0 : info.sampleRate / 10;
    if (info.framesEstimated && info.framesPromised > 0 &&
        report.frames + slack < info.framesPromised) {
        report.differences.push_back(
            "it is cut short: its header promises " +
            formatTime(static_cast<double>(info.framesPromised) / info.sampleRate) +
            " of sound, it holds " + formatTime(report.durationSeconds));
    }
    if (report.frames < 0)
        report.differences.push_back("its length is unknown: the file may be damaged");
    const std::int64_t bytes =
        gameWavBytes(report.frames > 0 ? gameFramesFor(report.frames, info.sampleRate) : 0);
    if (bytes > imc::kMaxWavBytes) {
        report.tooLong = true;
        report.differences.push_back("it is too long for the game: even prepared it would be " +
                                     withThousands(bytes) + " bytes, over the " +
                                     withThousands(imc::kMaxWavBytes) + " a game track may have");
    }
    report.gameReady = report.differences.empty();
    return report;
}

}  // namespace corvan::audio
