#include "audio/AudioPreparer.h"

#include "audio/AudioError.h"
#include "audio/OutputCheck.h"
#include "audio/RateConverter.h"
#include "audio/RiffChunks.h"
#include "audio/SoundFile.h"
#include "audio/StereoMixer.h"
#include "audio/Wording.h"
#include "platform/TemporaryFile.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

namespace corvan::audio {

namespace {

bool holdsGameSamples(const SF_INFO& info) {
    return (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16 &&
           info.samplerate == kGameSampleRate && info.channels == kGameChannels;
}

// A WAV whose data chunk promises more than the file holds was cut off, though libsndfile
// reads what there is without complaint.
void refuseCutShortWav(const SoundFile& source) {
    const int major = source.info().format & SF_FORMAT_TYPEMASK;
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

// False when cancelled.
bool copyFrames(const SoundFile& source, const WriteFrames& write, const AfterBlock& afterBlock,
                std::size_t blockFrames) {
    std::vector<std::int16_t> block(blockFrames * kGameChannels);
    while (const std::size_t got = source.read(block.data(), blockFrames)) {
        write(block.data(), got);
        if (!afterBlock(got)) return false;
    }
    return true;
}

// False when cancelled.
bool convertFrames(const SoundFile& source, const WriteFrames& write, const AfterBlock& afterBlock,
                   const PrepareOptions& options, std::int64_t& clipped) {
    const int channels = source.info().channels;
    const StereoMixer mixer(channels, source.channelMap(), options.gainDb);
    const int mixed = mixer.outputChannels();
    RateConverter converter(source.info().samplerate, mixed, options.blockFrames);
    std::vector<std::int16_t> doubled;
    const RateConverter::Sink sink = [&](const std::int16_t* frames, std::size_t count) {
        if (mixed == kGameChannels) return write(frames, count);
        doubled.resize(count * kGameChannels);
        for (std::size_t f = 0; f < count; ++f) doubled[2 * f] = doubled[2 * f + 1] = frames[f];
        write(doubled.data(), count);
    };
    std::vector<float> block(options.blockFrames * static_cast<std::size_t>(channels));
    std::vector<float> mixedBlock(options.blockFrames * static_cast<std::size_t>(mixed));
    while (const std::size_t got = source.read(block.data(), options.blockFrames)) {
        mixer.mix(block.data(), got, mixedBlock.data());
        converter.process(mixedBlock.data(), got, sink);
        if (!afterBlock(got)) return false;
    }
    converter.finish(sink);
    clipped = converter.clippedSamples();
    return true;
}

}  // namespace

PrepareResult prepareGameWav(const std::string& sourcePath, const std::string& outputPath,
                             const PrepareOptions& options) {
    checkOutput(outputPath, {sourcePath});
    if (options.blockFrames == 0) throw std::invalid_argument("blockFrames must be above 0");
    const SoundFile source = SoundFile::openForReading(sourcePath);
    const SF_INFO& info = source.info();
    if (info.frames <= 0) throw AudioError(sourcePath, "the file holds no samples");
    refuseCutShortWav(source);

    PrepareResult result;
    result.copiedUnchanged = holdsGameSamples(info) && options.gainDb == 0.0;
    const std::int64_t expectedFrames =
        result.copiedUnchanged
            ? info.frames
            : std::llround(static_cast<double>(info.frames) * kGameSampleRate / info.samplerate);
    const std::int64_t maxFrames =
        (options.maxOutputBytes - kPlainWavHeaderBytes) / kGameBytesPerFrame;
    if (gameWavBytes(expectedFrames) > options.maxOutputBytes) {
        throw AudioError(sourcePath,
                         "too long for the game: the result would be " +
                             withThousands(gameWavBytes(expectedFrames)) + " bytes, over the " +
                             withThousands(options.maxOutputBytes) + " a game track may have");
    }

    platform::TemporaryFile temporary(outputPath);
    if (temporary.error()) throw AudioError(outputPath, temporary.error().message());
    SoundFile output = SoundFile::openGameWavForWriting(temporary.descriptor(), outputPath);
    std::int64_t framesRead = 0;
    const AfterBlock afterBlock = [&](std::size_t frames) {
        framesRead += static_cast<std::int64_t>(frames);
        if (options.onProgress) {
            options.onProgress(std::min(1.0, static_cast<double>(framesRead) / info.frames));
        }
        return !(options.shouldCancel && options.shouldCancel());
    };
    const WriteFrames write = [&](const std::int16_t* frames, std::size_t count) {
        // The length is known beforehand only as far as libsndfile could tell it.
        result.framesWritten += static_cast<std::int64_t>(count);
        if (result.framesWritten > maxFrames) {
            throw AudioError(sourcePath, "too long for the game: the result would be over " +
                                             withThousands(options.maxOutputBytes) + " bytes");
        }
        output.write(frames, count);
    };
    bool finished = false;
    try {
        finished = result.copiedUnchanged
                       ? copyFrames(source, write, afterBlock, options.blockFrames)
                       : convertFrames(source, write, afterBlock, options, result.clippedSamples);
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
    if (framesRead < info.frames) {
        throw AudioError(sourcePath, "the file ends early: after " + withThousands(framesRead) +
                                         " of its " + withThousands(info.frames) + " frames");
    }
    output.close();
    if (const std::error_code error = temporary.commit()) {
        throw AudioError(outputPath, error.message());
    }
    return result;
}

}  // namespace corvan::audio
