#pragma once

#include "loop/GameSamples.h"
#include "loop/LoopPosition.h"
#include "loop/SeamMeasure.h"

#include <cstdint>
#include <optional>

namespace corvan::loop {

struct LandingOptions {
    // How far both ends may move together to find a landing: 70 ms. The length never changes.
    std::int64_t maxShiftFrames = 1543;
    // The most padding tried behind the music.
    std::int64_t maxPaddingFrames = 60 * imc::kSampleRate;
    // Landings judged before the best is taken: the search for more stops once this many
    // are found or paddingWindowFrames past the first; those that click least are measured
    // in full.
    int judged = 2000;
    int quietWanted = 12;
    std::int64_t paddingWindowFrames = 4 * imc::kSampleRate;
    int measured = 24;
    // For a loop given to the frame: a landing that moves neither end wins, with the least
    // padding, where there is one.
    bool preferUnshifted = false;
    // Landings whose ends fall inside a frame count too (the game then jumps between the two
    // channels' samples of a frame).
    bool wholeFramesOnly = true;
};

// Where a loop lands once the WAV is padded so that the sliders reach it: the padding, the
// sliders and the loop they give.
struct Landing {
    std::int64_t paddingFrames = 0;
    int startPermille = 0, endPermille = 0;
    int startSlider = 0, endSlider = 0;
    LoopFrames frames;             // in the padded WAV; always on whole frames
    std::int64_t shiftFrames = 0;  // how far both ends moved from the loop asked for
    // 0 for an exact landing: the loop's length as asked. Else the frames it is off by.
    std::int64_t offByFrames = 0;
    SeamQuality seam;  // of the loop as it lands
    bool exact() const { return offByFrames == 0; }
};

// Lands the loop [startFrame, endFrame) of a game-ready recording exactly: its length to the
// frame, both ends moved together by at most options.maxShiftFrames, on the frames the header
// reaches once the WAV is padded behind the music. Of the landings found with the least
// padding, the one whose seam measures best. Where none is exact, the nearest one, its
// offByFrames telling how near. Nothing when even that cannot be found (a loop outside the
// samples, or one too short for the file's thousandths).
std::optional<Landing> landLoop(const GameSamples& samples, std::int64_t startFrame,
                                std::int64_t endFrame, const LandingOptions& options = {});

}  // namespace corvan::loop

namespace corvan::loop {

// What fills the padding behind the music, which the game plays only when it leaves the loop:
// silence, or the loop's own continuation faded out.
enum class PaddingFill { Silence, Continuation };

struct PaddingChoice {
    PaddingFill fill = PaddingFill::Silence;
    // The step from the music's last sample into each (as SeamQuality::step measures it).
    double silenceStep = 0, continuationStep = 0;
};

// The fill whose first sample follows the music's last with the smaller step: the
// continuation of a loop of `loopFrames` where the music ends mid-phrase, silence where it
// ends quietly.
PaddingChoice choosePaddingFill(const GameSamples& samples, std::int64_t loopFrames);

// The padding's samples, interleaved: the continuation fades out over at most half a second.
std::vector<std::int16_t> paddingSamples(const GameSamples& samples, std::int64_t loopFrames,
                                         std::int64_t paddingFrames, PaddingFill fill);

}  // namespace corvan::loop
