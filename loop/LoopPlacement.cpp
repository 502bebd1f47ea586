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

namespace {

// From the header's position to the byte of the samples, as loopFramesFor counts.
constexpr std::int64_t kStartShift =
    imc::kLoopStartAdd - imc::kHeaderToWavOffset - audio::kPlainWavHeaderBytes;
constexpr std::int64_t kEndShift =
    -imc::kLoopEndSubtract - imc::kHeaderToWavOffset - audio::kPlainWavHeaderBytes;

struct Nearest {
    int permille = -1;
    double errorFrames = std::numeric_limits<double>::infinity();
};

// The thousandth whose position (plus `shift`) lies on a whole frame nearest to `target`
// frames in a WAV of `bytes` bytes. Only the two thousandths around the target can be
// nearest: the next ones lie a thousandth of the file away.
Nearest nearest(std::int64_t bytes, std::int64_t shift, double target) {
    const double perMille = static_cast<double>(bytes - 1) / 1000.0;
    const double ideal = (target * imc::kBytesPerFrame - static_cast<double>(shift)) / perMille;
    Nearest best;
    for (const double candidate : {std::floor(ideal), std::floor(ideal) + 1}) {
        if (candidate < 0 || candidate > imc::kPermilleMax) continue;
        const int permille = static_cast<int>(candidate);
        const std::int64_t byte = imc::headerPosition(bytes - 1, permille) + shift;
        if (byte % imc::kBytesPerFrame != 0) continue;
        const double error = std::abs(static_cast<double>(byte / imc::kBytesPerFrame) - target);
        if (error < best.errorFrames) best = {permille, error};
    }
    return best;
}

double framesToMs(double frames) {
    return frames * 1000.0 / imc::kSampleRate;
}

}  // namespace

LoopPlacement placeLoop(std::int64_t gameFrames, double startSeconds, double endSeconds,
                        const PlacementOptions& options) {
    if (!(startSeconds >= 0 && startSeconds < endSeconds &&
          endSeconds <= framesToSeconds(gameFrames))) {
        throw std::invalid_argument("the loop must lie within the sound, its start before its end");
    }
    const double startTarget = startSeconds * imc::kSampleRate;
    const double endTarget = endSeconds * imc::kSampleRate;
    const std::int64_t maxPadding = std::min(
        options.maxPaddingFrames,
        (imc::kMaxWavBytes - audio::kPlainWavHeaderBytes) / imc::kBytesPerFrame - gameFrames);

    LoopPlacement best;
    double bestWorst = std::numeric_limits<double>::infinity();
    for (std::int64_t padding = 0; padding <= maxPadding; ++padding) {
        const std::int64_t bytes = audio::gameWavBytes(gameFrames + padding);
        const Nearest start = nearest(bytes, kStartShift, startTarget);
        if (start.permille < 0) continue;
        const Nearest end = nearest(bytes, kEndShift, endTarget);
        if (end.permille < 0) continue;
        const double worst = std::max(start.errorFrames, end.errorFrames);
        if (worst >= bestWorst) continue;
        bestWorst = worst;
        best.paddingFrames = padding;
        best.startPermille = start.permille;
        best.endPermille = end.permille;
        best.startErrorMs = framesToMs(start.errorFrames);
        best.endErrorMs = framesToMs(end.errorFrames);
        best.metAim = best.worstErrorMs() < options.aimMs;
        if (best.metAim) break;
    }
    if (!std::isfinite(bestWorst)) {
        throw std::invalid_argument("no padding puts the loop on whole frames");
    }
    best.startSlider = imc::sliderForPermille(best.startPermille);
    best.endSlider = imc::sliderForPermille(best.endPermille);
    best.frames = loopFramesFor(audio::gameWavBytes(gameFrames + best.paddingFrames),
                                best.startSlider, best.endSlider);
    return best;
}

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
