#include "audio/AudioPreparer.h"

#include "audio/AudioError.h"
#include "audio/RateConverter.h"
#include "audio/RiffChunks.h"
#include "audio/SoundFile.h"
#include "audio/StereoMixer.h"
#include "audio/TempOutput.h"
#include "audio/Wording.h"

#include <algorithm>
#include <cmath>
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

// Reads the source block by block, reporting progress and asking whether to stop.
class BlockReader {
public:
    BlockReader(const SoundFile& source, const PrepareOptions& options)
        : source_(source), options_(options) {}

    // Reads up to `frames` frames; 0 at the end. Throws when libsndfile reports an error.
    template <typename Sample, typename ReadFunction>
    std::size_t read(Sample* buffer, std::size_t frames, ReadFunction readFrames) {
        const sf_count_t got =
            readFrames(source_.handle(), buffer, static_cast<sf_count_t>(frames));
        if (got < 0 || sf_error(source_.handle()) != SF_ERR_NO_ERROR) {
            throw AudioError(source_.path(), source_.lastError());
        }
        framesRead_ += got;
        return static_cast<std::size_t>(got);
    }

    // False when the run is to stop.
    bool reportAndGoOn() const {
        if (options_.onProgress) {
            const double total = static_cast<double>(source_.info().frames);
            options_.onProgress(std::min(1.0, static_cast<double>(framesRead_) / total));
        }
        return !(options_.shouldCancel && options_.shouldCancel());
    }

    // Throws when the source gave fewer frames than its header declared.
    void checkComplete() const {
        if (framesRead_ < source_.info().frames) {
            throw AudioError(source_.path(), "the file ends early: after " +
                                                 withThousands(framesRead_) + " of its " +
                                                 withThousands(source_.info().frames) + " frames");
        }
    }

private:
    const SoundFile& source_;
    const PrepareOptions& options_;
    std::int64_t framesRead_ = 0;
};

class FrameWriter {
public:
    FrameWriter(const SoundFile& output, std::int64_t maxFrames)
        : output_(output), maxFrames_(maxFrames) {}

    void write(const std::int16_t* frames, std::size_t count) {
        written_ += static_cast<std::int64_t>(count);
        if (written_ > maxFrames_) {
            throw AudioError(output_.path(), "the result would be longer than " +
                                                 withThousands(gameWavBytes(maxFrames_)) +
                                                 " bytes");
        }
        const sf_count_t done =
            sf_writef_short(output_.handle(), frames, static_cast<sf_count_t>(count));
        if (done != static_cast<sf_count_t>(count)) {
            throw AudioError(output_.path(), output_.lastError());
        }
    }
    std::int64_t written() const { return written_; }

private:
    const SoundFile& output_;
    std::int64_t maxFrames_;
    std::int64_t written_ = 0;
};

// False when cancelled.
bool copyFrames(BlockReader& reader, FrameWriter& writer, std::size_t blockFrames) {
    std::vector<std::int16_t> block(blockFrames * kGameChannels);
    while (const std::size_t got = reader.read(block.data(), blockFrames, sf_readf_short)) {
        writer.write(block.data(), got);
        if (!reader.reportAndGoOn()) return false;
    }
    return true;
}

// False when cancelled.
bool convertFrames(const SoundFile& source, BlockReader& reader, FrameWriter& writer,
                   const PrepareOptions& options, std::int64_t& clipped) {
    const int channels = source.info().channels;
    const StereoMixer mixer(channels, source.channelMap(), options.gainDb);
    const int mixed = mixer.outputChannels();
    RateConverter converter(source.info().samplerate, mixed, options.blockFrames);
    std::vector<std::int16_t> doubled;
    const RateConverter::Sink sink = [&](const std::int16_t* frames, std::size_t count) {
        if (mixed == kGameChannels) return writer.write(frames, count);
        doubled.resize(count * kGameChannels);
        for (std::size_t f = 0; f < count; ++f) doubled[2 * f] = doubled[2 * f + 1] = frames[f];
        writer.write(doubled.data(), count);
    };
    std::vector<float> block(options.blockFrames * static_cast<std::size_t>(channels));
    std::vector<float> mixedBlock(options.blockFrames * static_cast<std::size_t>(mixed));
    while (const std::size_t got = reader.read(block.data(), options.blockFrames, sf_readf_float)) {
        mixer.mix(block.data(), got, mixedBlock.data());
        converter.process(mixedBlock.data(), got, sink);
        if (!reader.reportAndGoOn()) return false;
    }
    converter.finish(sink);
    clipped = converter.clippedSamples();
    return true;
}

}  // namespace

PrepareResult prepareGameWav(const std::string& sourcePath, const std::string& outputPath,
                             const PrepareOptions& options) {
    if (TempOutput::sameFile(sourcePath, outputPath)) {
        throw AudioError(outputPath, "the output would overwrite the recording it is made from");
    }
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

    TempOutput temporary(outputPath);
    SoundFile output = SoundFile::openGameWavForWriting(temporary.descriptor(), outputPath);
    BlockReader reader(source, options);
    FrameWriter writer(output, maxFrames);
    bool finished = false;
    try {
        finished = result.copiedUnchanged
                       ? copyFrames(reader, writer, options.blockFrames)
                       : convertFrames(source, reader, writer, options, result.clippedSamples);
    } catch (const AudioError&) {
        throw;
    } catch (const std::runtime_error& error) {  // libsoxr's failures
        throw AudioError(sourcePath, error.what());
    }
    if (!finished) {
        result.cancelled = true;
        return result;
    }
    reader.checkComplete();
    output.close();
    temporary.commit();
    result.framesWritten = writer.written();
    return result;
}

}  // namespace corvan::audio
