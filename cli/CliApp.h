#pragma once

#include "SoundtrackCommands.h"
#include "platform/FileSystem.h"

#include <ostream>

namespace corvan::platform {
class TerminationSignals;
}

namespace corvan::cli {

// Runs corvan-cli with its arguments and returns the exit status: 0 success, 1 failure,
// 2 usage error, 128 + N for a conversion or preparation that signal N stopped (one of
// `signals`). `errIsTerminal`: `err` is a terminal, where preparing draws a progress bar.
// `places`: where the game's kept tracks and the trash are, and where to look for the game;
// with none, a replacement keeps no copy of the game's track.
int runCli(int argc, const char* const* argv, platform::FileSystem& files, std::ostream& out,
           std::ostream& err, const platform::TerminationSignals* signals = nullptr,
           bool errIsTerminal = false, const SoundtrackPlaces& places = {});

}  // namespace corvan::cli
