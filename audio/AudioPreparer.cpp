#include "audio/AudioPreparer.h"

#include "audio/LoudnessMeter.h"

#include "audio/AudioError.h"
#include "audio/AudioReader.h"
#include "audio/OutputCheck.h"
#include "audio/RateConverter.h"
#include "audio/RiffChunks.h"
#include "audio/SoundFile.h"
#include "audio/StereoMixer.h"
#include "audio/Wording.h"
#include "platform/TemporaryFile.h"

#include <sndfile.h>
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

namespace corvan::audio {

namespace {

bool holdsGameSamples(const AudioFormat& info) {
    return (info.sndfileFormat & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16 &&
           info.sampleRate == imc::kSampleRate && info.channels == imc::kChannels;
}

// A WAV whose data chunk promises more than the file holds was cut off, though libsndfile
// reads what there is without complaint.
void refuseCutShortWav(const AudioReader& source) {
    const int major = source.format().sndfileFormat & SF_FORMAT_TYPEMASK;
    if (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX) return;
    const std::optional<RiffLayout> layout = readRiffLayout(source.path());
    if (!layout || !layout->cutShort()) return;
    const auto promised = static_cast<std::int64_t>(layout->chunks.back().length);
    const auto present = static_cast<std::int64_t>(layout->dataBytesPresent());
    throw AudioError(source.path(), "the file is cut short: its header promises " +
                                        withThousands(promised) + " bytes of samples, it holds " +
                                        withThousands(present));
}

// Called after each block read with its frame count; false when the run is to stop.
using AfterBlock = std::function<bool(std::size_t frames)>;
using WriteFrames = std::function<void(const std::int16_t* frames, std::size_t count)>;

std::size_t framesPerRead(const PrepareOptions& options, int channels) {
    return std::clamp<std::size_t>(kMaxBlockSamples / static_cast<std::size_t>(channels), 1,
                                   options.blockFrames);
}

// False when cancelled.
bool copyFrames(AudioReader& source, const WriteFrames& write, const AfterBlock& afterBlock,
                const PrepareOptions& options, double& peak) {
    const std::size_t blockFrames = framesPerRead(options, imc::kChannels);
    std::vector<std::int16_t> block(blockFrames * imc::kChannels);
    while (const std::size_t got = source.read(block.data(), blockFrames)) {
        for (std::size_t i = 0; i < got * imc::kChannels; ++i) {
            peak = std::max(peak, std::abs(block[i] / 32768.0));
        }
        write(block.data(), got);
        if (!afterBlock(got)) return false;
    }
    return true;
}

// False when cancelled.
bool convertFrames(AudioReader& source, const WriteFrames& write, const AfterBlock& afterBlock,
                   const PrepareOptions& options, PrepareResult& result) {
    const int channels = source.format().channels;
    const StereoMixer mixer(channels, source.format().channelMap, options.gainDb);
    const int mixed = mixer.outputChannels();
    RateConverter converter(source.format().sampleRate, mixed);
    std::vector<std::int16_t> doubled;
    const RateConverter::Sink sink = [&](const std::int16_t* frames, std::size_t count) {
        if (mixed == imc::kChannels) return write(frames, count);
        doubled.resize(count * imc::kChannels);
        for (std::size_t f = 0; f < count; ++f) doubled[2 * f] = doubled[2 * f + 1] = frames[f];
        write(doubled.data(), count);
    };
    const std::size_t blockFrames = framesPerRead(options, channels);
    std::vector<float> block(blockFrames * static_cast<std::size_t>(channels));
    std::vector<float> mixedBlock(blockFrames * static_cast<std::size_t>(mixed));
    while (const std::size_t got = source.read(block.data(), blockFrames)) {
        mixer.mix(block.data(), got, mixedBlock.data());
        converter.process(mixedBlock.data(), got, sink);
        if (!afterBlock(got)) return false;
    }
    converter.finish(sink);
    result.clippedSamples = converter.clippedSamples();
    result.peak = converter.peak();
    return true;
}

}  // namespace

std::int64_t gameFramesFor(std::int64_t frames, int rate) {
    if (rate == imc::kSampleRate) return frames;
    return std::llround(static_cast<double>(frames) * imc::kSampleRate / rate);
}

std::optional<double> gainAvoidingClipping(const PrepareResult& result, double gainDb) {
    if (!std::isfinite(result.peak) || result.peak <= 0.0) return std::nullopt;
    const double room = 20.0 * std::log10(32766.0 / 32768.0 / result.peak);
    return std::floor((gainDb + room) * 10.0) / 10.0;
}

PrepareResult prepareGameWav(const std::string& sourcePath, const std::string& outputPath,
                             const PrepareOptions& options) {
    checkOutput(outputPath, {sourcePath});
    if (options.blockFrames == 0) throw std::invalid_argument("blockFrames must be above 0");
    const std::unique_ptr<AudioReader> reader = openAudio(sourcePath, options.stream);
    AudioReader& source = *reader;
    const AudioFormat& info = source.format();
    if (info.frames == 0) throw AudioError(sourcePath, "the file holds no samples");
    refuseCutShortWav(source);

    PrepareResult result;
    result.stream = info.stream;
    result.audioStreams = info.audioStreams;
    result.copiedUnchanged = holdsGameSamples(info) && options.gainDb == 0.0;
    const std::int64_t maxFrames =
        (options.maxOutputBytes - kPlainWavHeaderBytes) / imc::kBytesPerFrame;
    // A length the header only estimates or does not know is checked while writing.
    const bool lengthKnown = info.frames > 0 && !info.framesEstimated;
    const std::int64_t expectedFrames =
        !lengthKnown || result.copiedUnchanged
            ? info.frames
            : std::llround(static_cast<double>(info.frames) * imc::kSampleRate / info.sampleRate);
    if (lengthKnown && gameWavBytes(expectedFrames) > options.maxOutputBytes) {
        throw AudioError(sourcePath,
                         "too long for the game: the result would be " +
                             withThousands(gameWavBytes(expectedFrames)) + " bytes, over the " +
                             withThousands(options.maxOutputBytes) + " a game track may have");
    }

    platform::TemporaryFile temporary(outputPath);
    if (temporary.error()) throw AudioError(outputPath, temporary.error().message());
    SoundFile output = SoundFile::openGameWavForWriting(temporary.descriptor(), outputPath);
    std::optional<LoudnessMeter> meter;
    if (options.measureLoudness) meter.emplace(imc::kChannels, imc::kSampleRate);
    std::vector<float> measured;
    std::int64_t framesRead = 0;
    const AfterBlock afterBlock = [&](std::size_t frames) {
        framesRead += static_cast<std::int64_t>(frames);
        if (options.onProgress) {
            options.onProgress(lengthKnown ? std::min(1.0, static_cast<double>(framesRead) /
                                                               static_cast<double>(info.frames))
                                           : source.bytesFraction());
        }
        return !(options.shouldCancel && options.shouldCancel());
    };
    const WriteFrames write = [&](const std::int16_t* frames, std::size_t count) {
        // The length is known beforehand only as far as the header could tell it.
        result.framesWritten += static_cast<std::int64_t>(count);
        if (result.framesWritten > maxFrames) {
            throw AudioError(sourcePath, "too long for the game: the result would be over " +
                                             withThousands(options.maxOutputBytes) + " bytes");
        }
        output.write(frames, count);
        if (meter) {
            measured.resize(count * imc::kChannels);
            for (std::size_t i = 0; i < measured.size(); ++i) measured[i] = frames[i] / 32768.0f;
            meter->add(measured.data(), count);
        }
    };
    bool finished = false;
    try {
        finished = result.copiedUnchanged
                       ? copyFrames(source, write, afterBlock, options, result.peak)
                       : convertFrames(source, write, afterBlock, options, result);
    } catch (const AudioError&) {
        throw;
    } catch (const std::runtime_error& error) {  // libsoxr's failures
        throw AudioError(sourcePath, error.what());
    }
    if (!finished) {
        result.cancelled = true;
        result.framesWritten = 0;
        return result;
    }
    if (framesRead == 0) throw AudioError(sourcePath, "the file holds no samples");
    // Only a length the file states is promised; FFmpeg's containers state it to the
    // millisecond, so a little less is no damage.
    const std::int64_t slack = info.sndfileFormat != 0 ? 0 : info.sampleRate / 10;
    if (info.framesPromised > 0 && framesRead + slack < info.framesPromised) {
        throw AudioError(sourcePath, "the file ends early: after " + withThousands(framesRead) +
                                         " of its " + withThousands(info.framesPromised) +
                                         " frames");
    }
    output.close();
    if (const std::error_code error = temporary.commit()) {
        throw AudioError(outputPath, error.message());
    }
    if (meter) {
        result.loudnessLufs = meter->integratedLufs();
        result.truePeakDb = meter->truePeakDb();
    }
    return result;
}

PrepareResult prepareGameWavAtLoudness(const std::string& sourcePath, const std::string& outputPath,
                                       double targetLufs, PrepareOptions options, bool& lowered) {
    options.measureLoudness = true;
    const PrepareResult first = prepareGameWav(sourcePath, outputPath, options);
    if (first.cancelled) return first;
    const LoudnessGain gain = gainForLoudness(*first.loudnessLufs, *first.truePeakDb, targetLufs);
    lowered = gain.lowered;
    // A tenth of a decibel is below what the measure itself can tell apart.
    if (std::abs(gain.gainDb) < 0.05) return first;
    options.gainDb += gain.gainDb;
    return prepareGameWav(sourcePath, outputPath, options);
}

}  // namespace corvan::audio
