#pragma once

#include "platform/FileSystem.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace corvan::cli {

struct SuggestLoopOptions {
    int top = 5;
    // Overrides the default: a third of the recording and at least 5 s.
    std::optional<double> minLengthSeconds;
    bool anyFrame = false;
    bool json = false;
    std::string source;
};

// `suggest-loop`: the loops the sliders can give SOURCE's game-ready WAV, best first, and the
// `convert` options for the best one. Returns 0, or 1 when SOURCE cannot be read or no loop
// of the length asked for fits.
int suggestLoop(const SuggestLoopOptions& options, std::ostream& out, std::ostream& err);

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
    std::vector<std::string> times;  // START END: seconds or m:ss.mmm
    double gainDb = 0.0;
    std::string source;
    std::string output;
    int stream = -1;  // the source's audio stream, -1 its default
};

// `prepare --loop-at`: prepares SOURCE as `prepare` does, then pads it with silence so that
// two slider positions come as close as they can to the times, and prints them as
// `--loop START END` on a line of their own with the remaining error. Returns 0 (with a
// warning when the error is over 1 ms), 1 when it cannot be done, 2 for a usage error, 128 +
// N when signal N stopped the preparation.
int prepareLoopAt(const LoopAtOptions& options, const std::function<int()>& stopSignal,
                  bool progressBar, std::ostream& out, std::ostream& err);

}  // namespace corvan::cli
