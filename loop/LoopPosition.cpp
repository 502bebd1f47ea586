#include "audio/LoopPosition.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace corvan::audio {

namespace {

// Rounds to nearest, ties to even, as the header does (the default rounding mode).
std::int64_t roundHalfEven(double value) {
    return static_cast<std::int64_t>(std::nearbyint(value));
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

int permilleForSlider(int slider) {
    return static_cast<int>(roundHalfEven(static_cast<double>(slider * kPermilleMax) /
                                          static_cast<double>(kSliderMax)));
}

int sliderForPermille(int permille) {
    const auto guess =
        static_cast<int>(roundHalfEven(static_cast<double>(permille) * kSliderMax / kPermilleMax));
    // A step of 32.767 positions per thousandth leaves the exact guess or a neighbour.
    for (const int slider : {guess, guess - 1, guess + 1}) {
        if (slider >= 0 && slider <= kSliderMax && permilleForSlider(slider) == permille) {
            return slider;
        }
    }
    return guess;
}

std::int64_t headerPosition(std::int64_t wavFileBytes, int permille) {
    const auto wavSize = static_cast<double>(wavFileBytes - 1);
    return roundHalfEven(wavSize / 1000.0 * permille);
}

LoopHeaderOffsets loopHeaderOffsets(std::int64_t wavFileBytes, int startSlider, int endSlider) {
    return {headerPosition(wavFileBytes, permilleForSlider(startSlider)) + kLoopStartAdd,
            headerPosition(wavFileBytes, permilleForSlider(endSlider)) - kLoopEndSubtract};
}

LoopFrames loopFramesForHeader(const LoopHeaderOffsets& offsets, std::int64_t dataStart) {
    const std::int64_t startByte = offsets.loopStart - kHeaderToWavOffset - dataStart;
    const std::int64_t endByte = offsets.loopEnd - kHeaderToWavOffset - dataStart;
    LoopFrames loop;
    loop.startFrame = floorDiv(startByte, kGameBytesPerFrame);
    loop.endFrame = floorDiv(endByte, kGameBytesPerFrame);
    loop.startByteRemainder = static_cast<int>(startByte - loop.startFrame * kGameBytesPerFrame);
    loop.endByteRemainder = static_cast<int>(endByte - loop.endFrame * kGameBytesPerFrame);
    return loop;
}

LoopFrames loopFramesForPermille(std::int64_t wavFileBytes, int startPermille, int endPermille,
                                 std::int64_t dataStart) {
    return loopFramesForHeader({headerPosition(wavFileBytes, startPermille) + kLoopStartAdd,
                                headerPosition(wavFileBytes, endPermille) - kLoopEndSubtract},
                               dataStart);
}

LoopFrames loopFramesFor(std::int64_t wavFileBytes, int startSlider, int endSlider,
                         std::int64_t dataStart) {
    return loopFramesForPermille(wavFileBytes, permilleForSlider(startSlider),
                                 permilleForSlider(endSlider), dataStart);
}

double framesToSeconds(std::int64_t frames) {
    return static_cast<double>(frames) / kGameSampleRate;
}

std::int64_t secondsToFrames(double seconds) {
    return std::llround(seconds * kGameSampleRate);
}

std::string formatTime(double seconds) {
    const long long ms = std::llround(std::abs(seconds) * 1000.0);
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld:%02lld.%03lld", seconds < 0 && ms > 0 ? "-" : "",
                  ms / 60000, ms / 1000 % 60, ms % 1000);
    return text;
}

}  // namespace corvan::audio
