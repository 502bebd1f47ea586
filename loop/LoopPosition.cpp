#include "loop/LoopPosition.h"

#include <cmath>

namespace corvan::loop {

LoopHeaderOffsets loopHeaderOffsets(std::int64_t wavFileBytes, int startSlider, int endSlider) {
    return imc::loopOffsets(wavFileBytes - 1, imc::permilleForSlider(startSlider),
                            imc::permilleForSlider(endSlider));
}

LoopFrames loopFramesForHeader(const LoopHeaderOffsets& offsets, std::int64_t dataStart) {
    const imc::FramePosition start = imc::framePositionOf(offsets.loopStart, dataStart);
    const imc::FramePosition end = imc::framePositionOf(offsets.loopEnd, dataStart);
    return {start.frame, end.frame, start.byteRemainder, end.byteRemainder};
}

LoopFrames loopFramesForPermille(std::int64_t wavFileBytes, int startPermille, int endPermille,
                                 std::int64_t dataStart) {
    return loopFramesForHeader(imc::loopOffsets(wavFileBytes - 1, startPermille, endPermille),
                               dataStart);
}

LoopFrames loopFramesFor(std::int64_t wavFileBytes, int startSlider, int endSlider,
                         std::int64_t dataStart) {
    return loopFramesForHeader(loopHeaderOffsets(wavFileBytes, startSlider, endSlider), dataStart);
}

double framesToSeconds(std::int64_t frames) {
    return static_cast<double>(frames) / imc::kSampleRate;
}

std::int64_t secondsToFrames(double seconds) {
    return std::llround(seconds * imc::kSampleRate);
}

}  // namespace corvan::loop
