#include "loop/LoopPlacement.h"

#include "audio/AudioError.h"
#include "audio/AudioReader.h"
#include "audio/OutputCheck.h"
#include "audio/SoundFile.h"
#include "audio/Wording.h"
#include "platform/TemporaryFile.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

namespace corvan::loop {

std::int64_t writePaddedGameWav(const std::string& gameWavPath, const std::string& outputPath,
                                std::int64_t paddingFrames,
                                const std::vector<std::int16_t>& padding) {
    audio::checkOutput(outputPath, {gameWavPath});
    const std::unique_ptr<audio::AudioReader> reader = audio::openGameWav(gameWavPath);
    audio::AudioReader& source = *reader;
    const audio::AudioFormat& info = source.format();
    const std::int64_t total = info.frames + std::max<std::int64_t>(0, paddingFrames);
    if (audio::gameWavBytes(total) > imc::kMaxWavBytes) {
        throw audio::AudioError(outputPath, "too long for the game: the result would be " +
                                                audio::withThousands(audio::gameWavBytes(total)) +
                                                " bytes");
    }
    platform::TemporaryFile temporary(outputPath);
    if (temporary.error()) throw audio::AudioError(outputPath, temporary.error().message());
    audio::SoundFile output =
        audio::SoundFile::openGameWavForWriting(temporary.descriptor(), outputPath);
    constexpr std::size_t kBlock = 8192;
    std::vector<std::int16_t> block(kBlock * imc::kChannels, 0);
    std::int64_t written = 0;
    while (const std::size_t got = source.read(block.data(), kBlock)) {
        output.write(block.data(), got);
        written += static_cast<std::int64_t>(got);
    }
    if (written < info.frames) {
        throw audio::AudioError(gameWavPath, "the file ends before its stated length");
    }
    const std::int64_t filled = std::min<std::int64_t>(
        static_cast<std::int64_t>(padding.size() / imc::kChannels), total - written);
    if (filled > 0) output.write(padding.data(), static_cast<std::size_t>(filled));
    written += std::max<std::int64_t>(filled, 0);
    std::fill(block.begin(), block.end(), 0);
    while (written < total) {
        const auto count = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(kBlock), total - written));
        output.write(block.data(), count);
        written += static_cast<std::int64_t>(count);
    }
    output.close();
    if (const std::error_code error = temporary.commit()) {
        throw audio::AudioError(outputPath, error.message());
    }
    return written;
}

}  // namespace corvan::loop
