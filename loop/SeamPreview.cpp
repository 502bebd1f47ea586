#include "audio/SeamPreview.h"

#include "audio/AudioError.h"
#include "audio/AudioReader.h"
#include "audio/GameFormat.h"
#include "audio/OutputCheck.h"
#include "audio/SoundFile.h"
#include "platform/TemporaryFile.h"

#include <sndfile.h>

#include <algorithm>
#include <vector>

namespace corvan::audio {

namespace {

void copyFrames(AudioReader& from, std::int64_t start, std::int64_t count, const SoundFile& to) {
    constexpr std::int64_t kBlock = 8192;
    std::vector<std::int16_t> block(kBlock * kGameChannels);
    from.seek(start);
    while (count > 0) {
        const std::size_t got =
            from.read(block.data(), static_cast<std::size_t>(std::min(kBlock, count)));
        if (got == 0) throw AudioError(from.path(), "the file ends before its stated length");
        to.write(block.data(), got);
        count -= static_cast<std::int64_t>(got);
    }
}

}  // namespace

SeamPreviewResult writeSeamPreview(const std::string& gameWavPath, const LoopFrames& loop,
                                   const std::string& outputPath, double seconds) {
    checkOutput(outputPath, {gameWavPath});
    const std::unique_ptr<AudioReader> reader = openAudio(gameWavPath);
    AudioReader& source = *reader;
    const AudioFormat& info = source.format();
    if ((info.sndfileFormat & SF_FORMAT_SUBMASK) != SF_FORMAT_PCM_16 ||
        info.sampleRate != kGameSampleRate || info.channels != kGameChannels) {
        throw AudioError(gameWavPath, "not a game-ready WAV (16-bit PCM, 22,050 Hz, stereo)");
    }
    if (loop.startFrame < 0 || loop.endFrame > info.frames || loop.endFrame <= loop.startFrame) {
        throw AudioError(gameWavPath, "the loop does not lie within the samples");
    }
    const std::int64_t span = secondsToFrames(seconds);
    SeamPreviewResult result;
    result.framesBeforeJump = std::min(span, loop.endFrame);
    result.framesAfterJump = std::min(span, info.frames - loop.startFrame);

    platform::TemporaryFile temporary(outputPath);
    if (temporary.error()) throw AudioError(outputPath, temporary.error().message());
    SoundFile output = SoundFile::openGameWavForWriting(temporary.descriptor(), outputPath);
    copyFrames(source, loop.endFrame - result.framesBeforeJump, result.framesBeforeJump, output);
    copyFrames(source, loop.startFrame, result.framesAfterJump, output);
    output.close();
    if (const std::error_code error = temporary.commit()) {
        throw AudioError(outputPath, error.message());
    }
    return result;
}

}  // namespace corvan::audio
