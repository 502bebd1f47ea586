#pragma once

#include "platform/FileSystem.h"

#include <ostream>

namespace corvan::platform {
class TerminationSignals;
}

namespace corvan::cli {

// Runs corvan-cli with its arguments and returns the exit status: 0 success, 1 failure,
// 2 usage error, 128 + N for a conversion or preparation that signal N stopped (one of
// `signals`). `errIsTerminal`: `err` is a terminal, where preparing draws a progress bar.
int runCli(int argc, const char* const* argv, platform::FileSystem& files, std::ostream& out,
           std::ostream& err, const platform::TerminationSignals* signals = nullptr,
           bool errIsTerminal = false);

}  // namespace corvan::cli
