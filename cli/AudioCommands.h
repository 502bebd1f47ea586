#pragma once

#include "StepResult.h"
#include "platform/FileSystem.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace corvan::cli {

// `check`: describes each file on `out`, in words or as one JSON object, and whether the game
// can play it as it is; `stream` picks an audio stream by its number in the file, -1 the
// default. A file that cannot be read gets one line on `err` with the file and the reason. An IMC
// file is told by its header: its kind, WAV bytes and loop. Returns 0 when every recording is
// game-ready and every IMC file well-formed, else 1.
int checkFiles(const std::vector<std::string>& paths, bool json, int stream,
               platform::FileSystem& files, std::ostream& out, std::ostream& err);

// How a preparation reports and is stopped.
struct PrepareContext {
    std::ostream& out;
    std::ostream& err;
    // Draws a progress bar on `err`, which is a terminal.
    bool progressBar = false;
    // The signal that asks the run to stop, 0 while none has arrived.
    std::function<int()> stopSignal = nullptr;
    // The audio stream of the source to read, by its number in the file; -1 the default.
    int stream = -1;
    // The integrated loudness (LUFS) to prepare at, on top of the gain.
    std::optional<double> loudnessLufs = std::nullopt;
};

// The lowest --gain accepted, in decibels; a suggested gain below it is not offered.
inline constexpr double kLowestGainDb = -96.0;

// Prepares `source` as a game-ready WAV at `output` and tells the user how it went: clipped
// samples (with the --gain measured to avoid them) on `err`, the result on `out` unless `quiet`.
// Done on success, else ended with the exit status: 1 when it failed (one line on `err`),
// 128 + N when signal N stopped it; nothing is left behind then.
StepResult prepareRecording(const std::string& source, const std::string& output, double gainDb,
                            bool quiet, const PrepareContext& context);

// Refuses, with one line on `err`, an output that is one of `inputs` or, unless `overwrite`,
// that exists (audio::checkOutput): ended with status 1 then, done when it may be written.
StepResult refuseOutput(const std::string& output, const std::vector<std::string>& inputs,
                        bool overwrite, std::ostream& err);

// The one-line warning `convert` gives before converting a file whose bytes the game cannot
// play as they are (audio::judgeGameReadiness); nothing for a game-ready file and for
// anything that is not a regular file (a FIFO is never opened).
std::optional<std::string> notGameReadyWarning(const std::string& source);

}  // namespace corvan::cli
