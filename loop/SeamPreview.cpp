#include "loop/SeamPreview.h"

#include "audio/AudioError.h"
#include "audio/AudioPreparer.h"
#include "audio/AudioReader.h"
#include "audio/OutputCheck.h"
#include "audio/SoundFile.h"
#include "platform/TemporaryFile.h"

#include <algorithm>
#include <vector>

namespace corvan::loop {

namespace {

void copyFrames(audio::AudioReader& from, std::int64_t start, std::int64_t count,
                const audio::SoundFile& to) {
    constexpr std::int64_t kBlock = 8192;
    std::vector<std::int16_t> block(kBlock * imc::kChannels);
    from.seek(start);
    while (count > 0) {
        const std::size_t got =
            from.read(block.data(), static_cast<std::size_t>(std::min(kBlock, count)));
        if (got == 0)
            throw audio::AudioError(from.path(), "the file ends before its stated length");
        to.write(block.data(), got);
        count -= static_cast<std::int64_t>(got);
    }
}

}  // namespace

SeamPreviewResult writeSeamPreview(const std::string& gameWavPath, const LoopFrames& loop,
                                   const std::string& outputPath, double seconds) {
    audio::checkOutput(outputPath, {gameWavPath});
    const std::unique_ptr<audio::AudioReader> reader = audio::openGameWav(gameWavPath);
    audio::AudioReader& source = *reader;
    const audio::AudioFormat& info = source.format();
    if (loop.startFrame < 0 || loop.endFrame > info.frames || loop.endFrame <= loop.startFrame) {
        throw audio::AudioError(gameWavPath, "the loop does not lie within the samples");
    }
    const std::int64_t span = secondsToFrames(seconds);
    SeamPreviewResult result;
    result.framesBeforeJump = std::min(span, loop.endFrame);
    result.framesAfterJump = std::min(span, info.frames - loop.startFrame);

    platform::TemporaryFile temporary(outputPath);
    if (temporary.error()) throw audio::AudioError(outputPath, temporary.error().message());
    audio::SoundFile output =
        audio::SoundFile::openGameWavForWriting(temporary.descriptor(), outputPath);
    copyFrames(source, loop.endFrame - result.framesBeforeJump, result.framesBeforeJump, output);
    copyFrames(source, loop.startFrame, result.framesAfterJump, output);
    output.close();
    if (const std::error_code error = temporary.commit()) {
        throw audio::AudioError(outputPath, error.message());
    }
    return result;
}

}  // namespace corvan::loop
