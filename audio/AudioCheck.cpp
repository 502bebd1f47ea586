#include "audio/AudioCheck.h"

#include "audio/GameFormat.h"
#include "audio/RiffChunks.h"
#include "audio/SoundFile.h"
#include "audio/Wording.h"

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

AudioReport checkAudio(const std::string& path) {
    const SoundFile file = SoundFile::openForReading(path);
    const SF_INFO& info = file.info();
    AudioReport report;
    report.path = path;
    report.container = describeContainer(info.format);
    report.encoding = describeEncoding(info.format);
    report.sampleRate = info.samplerate;
    report.channels = info.channels;
    report.frames = info.frames;
    report.durationSeconds =
        info.samplerate > 0 ? static_cast<double>(info.frames) / info.samplerate : 0.0;

    const int major = info.format & SF_FORMAT_TYPEMASK;
    if (major != SF_FORMAT_WAV) {
        report.differences.push_back("it is " + report.container + ", not a plain WAV");
    }
    if ((info.format & SF_FORMAT_SUBMASK) != SF_FORMAT_PCM_16) {
        report.differences.push_back("its samples are " + report.encoding + ", not 16-bit PCM");
    }
    if (info.samplerate != kGameSampleRate) {
        report.differences.push_back("its sample rate is " + withThousands(info.samplerate) +
                                     " Hz, not " + withThousands(kGameSampleRate) + " Hz");
    }
    if (info.channels != kGameChannels) {
        report.differences.push_back("it has " + describeChannels(info.channels) + ", not " +
                                     describeChannels(kGameChannels));
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
    if (info.frames <= 0) report.differences.push_back("it holds no samples");
    report.gameReady = report.differences.empty();
    return report;
}

}  // namespace corvan::audio
