#pragma once

#include "StepResult.h"
#include "platform/FileSystem.h"

#include <cstdint>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace corvan::cli {

// How long a loop may be and where it should start: suggest-loop's and convert --auto-loop's.
struct LoopLengthOptions {
    // Overrides the default: a third of the recording and at least 5 s.
    std::optional<double> minLengthSeconds;
    std::optional<double> maxLengthSeconds;
    // START: seconds or m:ss.mmm; loops starting near it rank first.
    std::string near;
};

struct SuggestLoopOptions {
    int top = 5;
    LoopLengthOptions length;
    bool anyFrame = false;
    bool json = false;
    std::string source;
};

// `suggest-loop`: the loops of SOURCE's game-ready WAV (its prepared copy for any other
// recording), found to the sample and landed exactly, best first, with the sliders that reach
// each (in the padded copy `prepare --loop-at-frames` writes, where one is needed). Returns 0,
// 1 when SOURCE cannot be read or no loop of the length asked for fits, 2 for a usage error.
int suggestLoop(const SuggestLoopOptions& options, std::ostream& out, std::ostream& err);

// `convert --auto-loop`, once SOURCE is prepared in `preparedPath`: finds the best loop,
// writes the copy padded so that it lands exactly to `paddedPath`, and sets `start` and `end`
// to its sliders. Prints the loop. Ends with 1 when no loop fits, 2 for a usage error.
StepResult findAutoLoop(const LoopLengthOptions& options, const std::string& preparedPath,
                        const std::string& paddedPath, std::int16_t& start, std::int16_t& end,
                        std::ostream& out, std::ostream& err);

struct PreviewOptions {
    std::vector<std::string> loop;  // START END as `convert --loop` takes them; empty for IMC
    double seconds = 4.0;
    std::string source;
    std::string output;
};

// `preview`: writes the seam as the game plays it, from a game-ready WAV with --loop or from a
// looped IMC file. Returns 0, 1 when it cannot be made, 2 for a usage error.
int previewSeam(const PreviewOptions& options, platform::FileSystem& files, std::ostream& out,
                std::ostream& err);

struct LoopAtOptions {
    std::vector<std::string> times;    // START END: seconds or m:ss.mmm
    std::vector<std::int64_t> frames;  // or START END in frames of the prepared copy
    double gainDb = 0.0;
    std::string source;
    std::string output;
    int stream = -1;  // the source's audio stream, -1 its default
    std::optional<double> loudnessLufs;
};

// `prepare --loop-at` and `--loop-at-frames`: prepares SOURCE as `prepare` does, then pads it
// so that two slider positions land on the loop exactly (its length to the frame, both ends
// moved together by at most 70 ms, the shift printed), and prints them as `--loop START END`
// on a line of their own. Returns 0 (with a warning when no landing is exact), 1 when it
// cannot be done, 2 for a usage error, 128 + N when signal N stopped the preparation.
int prepareLoopAt(const LoopAtOptions& options, const std::function<int()>& stopSignal,
                  bool progressBar, std::ostream& out, std::ostream& err);

}  // namespace corvan::cli
