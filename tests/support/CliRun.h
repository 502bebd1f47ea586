#pragma once

#include "cli/CliApp.h"
#include "platform/TerminationSignals.h"

#include <sstream>
#include <string>
#include <vector>

namespace corvan::test {

// corvan-cli run in process: its exit status and what it wrote to each stream.
struct CliRun {
    int status;
    std::string out, err;
};

inline CliRun runCliInProcess(const std::vector<std::string>& arguments,
                              platform::FileSystem& files,
                              const platform::TerminationSignals* signals = nullptr,
                              bool terminal = false, const cli::SoundtrackPlaces& places = {}) {
    std::vector<const char*> argv{"corvan-cli"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::ostringstream out, err;
    const int status = cli::runCli(static_cast<int>(argv.size()), argv.data(), files, out, err,
                                   signals, terminal, places);
    return {status, out.str(), err.str()};
}

}  // namespace corvan::test
