#pragma once

#include "audio/GameFormat.h"

#include <cstdint>
#include <string>

namespace corvan::audio {

// Where the header of a looped track puts its loop, and the conversions around it.
//
// The header does not count from the file's start: its offsets count from the MCMP entry's
// data, which begins after the two codec names (file offset 27). Its first region starts at
// offset 209 and the WAV's first 8 bytes (RIFF and its length) stand where a data chunk's
// tag and length would be, so offset 209 is the WAV's byte 8 and a header offset h is the
// WAV's byte h - 201. The loop start (startPos + 465) and the jump position (endPos - 256)
// thus become bytes of the WAV's samples once the data chunk's start (44 in a game-ready
// WAV) is taken off, and frames once divided by 4.
//
// Should any of this turn out otherwise, kHeaderToWavOffset is the one place to change.

// Slider positions: the scroll bars run from 0 to this.
inline constexpr int kSliderMax = 32767;
// The header counts positions in thousandths of the file.
inline constexpr int kPermilleMax = 1000;
// Header offset minus this is the WAV's byte.
inline constexpr std::int64_t kHeaderToWavOffset = 201;
// What the header adds to startPos and takes from endPos.
inline constexpr std::int64_t kLoopStartAdd = 465;
inline constexpr std::int64_t kLoopEndSubtract = 256;

// The header's two loop fields, as it computes them from the file's length.
struct LoopHeaderOffsets {
    std::int64_t loopStart = 0;  // where the jump lands
    std::int64_t loopEnd = 0;    // where the jump is taken
};

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

// The header's rounding of a slider: slider * 1000 / 32767 to the nearest integer, ties to
// even.
int permilleForSlider(int slider);
// The slider position for `permille` (0 to 1000): the one nearest to permille * 32.767,
// which the header rounds back to `permille`.
int sliderForPermille(int permille);

// The header's position of `permille` in a file of `wavFileBytes` bytes: wavSize / 1000 *
// permille in double precision, rounded to even, where wavSize is one less than the byte
// count.
std::int64_t headerPosition(std::int64_t wavFileBytes, int permille);
LoopHeaderOffsets loopHeaderOffsets(std::int64_t wavFileBytes, int startSlider, int endSlider);

// The loop that the sliders give a WAV of `wavFileBytes` bytes whose samples begin at byte
// `dataStart`.
LoopFrames loopFramesFor(std::int64_t wavFileBytes, int startSlider, int endSlider,
                         std::int64_t dataStart = kPlainWavHeaderBytes);
// The same from the header's thousandths.
LoopFrames loopFramesForPermille(std::int64_t wavFileBytes, int startPermille, int endPermille,
                                 std::int64_t dataStart = kPlainWavHeaderBytes);
// The same from the two loop fields as a header holds them.
LoopFrames loopFramesForHeader(const LoopHeaderOffsets& offsets,
                               std::int64_t dataStart = kPlainWavHeaderBytes);

// Time at the game's rate.
double framesToSeconds(std::int64_t frames);
// The nearest frame.
std::int64_t secondsToFrames(double seconds);
// "m:ss.mmm", the milliseconds rounded; "-" in front of negative times.
std::string formatTime(double seconds);

}  // namespace corvan::audio
