#include "CliApp.h"
#include "platform/Environment.h"
#include "platform/PathNames.h"
#include "platform/PosixFileSystem.h"
#include "platform/Terminal.h"
#include "platform/TerminationSignals.h"

#include <iostream>

int main(int argc, char** argv) {
    // Caught from the start, so that no signal finds a half-written target.
    corvan::platform::TerminationSignals signals;
    corvan::platform::PosixFileSystem files(signals);
    using corvan::platform::environmentVariable;
    corvan::cli::SoundtrackPlaces places;
    places.home = environmentVariable("HOME").value_or("");
    places.winePrefix = environmentVariable("WINEPREFIX").value_or("");
    places.dataHome = environmentVariable("XDG_DATA_HOME")
                          .value_or(places.home.empty()
                                        ? std::string()
                                        : corvan::platform::joinPath(places.home, ".local/share"));
    return corvan::cli::runCli(argc, argv, files, std::cout, std::cerr, &signals,
                               corvan::platform::standardErrorIsTerminal(), places);
}
