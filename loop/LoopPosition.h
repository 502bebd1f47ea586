#pragma once

#include "audio/AudioPreparer.h"
#include "engine/ImcFormat.h"

#include <cstdint>

namespace corvan::loop {

// Where the header of a looped track puts its loop, in frames of a WAV's samples. The
// header's arithmetic (slider to thousandth to header offset, header offset to the WAV's
// byte) is the format's; this turns it into the frames a player plays.

using LoopHeaderOffsets = imc::LoopOffsets;

// A loop in frames of the WAV's samples: the game plays up to endFrame (not included) and
// goes on at startFrame. The byte remainders are non-zero when a position falls inside a
// frame (the frame is then the one it falls in); such a jump would split a frame.
struct LoopFrames {
    std::int64_t startFrame = 0;
    std::int64_t endFrame = 0;
    int startByteRemainder = 0;
    int endByteRemainder = 0;

    bool onWholeFrames() const { return startByteRemainder == 0 && endByteRemainder == 0; }
    std::int64_t lengthFrames() const { return endFrame - startFrame; }
    // The jump is taken at or before the point it lands on, as two sliders too close together
    // for the file's length give (the header puts the jump 721 bytes before the loop start
    // of the same position). Written as it is, such a loop plays nothing of its own.
    bool degenerate() const { return endFrame <= startFrame; }
    bool operator==(const LoopFrames&) const = default;
};

// The header's two loop fields for the sliders in a WAV of `wavFileBytes` bytes.
LoopHeaderOffsets loopHeaderOffsets(std::int64_t wavFileBytes, int startSlider, int endSlider);

// The loop that the sliders give a WAV of `wavFileBytes` bytes whose samples begin at byte
// `dataStart`.
LoopFrames loopFramesFor(std::int64_t wavFileBytes, int startSlider, int endSlider,
                         std::int64_t dataStart = audio::kPlainWavHeaderBytes);
// The same from the header's thousandths.
LoopFrames loopFramesForPermille(std::int64_t wavFileBytes, int startPermille, int endPermille,
                                 std::int64_t dataStart = audio::kPlainWavHeaderBytes);
// The same from the two loop fields as a header holds them.
LoopFrames loopFramesForHeader(const LoopHeaderOffsets& offsets,
                               std::int64_t dataStart = audio::kPlainWavHeaderBytes);

// Time at the game's rate.
double framesToSeconds(std::int64_t frames);
// The nearest frame.
std::int64_t secondsToFrames(double seconds);

}  // namespace corvan::loop
