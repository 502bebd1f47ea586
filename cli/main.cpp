#include "CliApp.h"
#include "platform/PosixFileSystem.h"
#include "platform/Terminal.h"
#include "platform/TerminationSignals.h"

#include <iostream>

int main(int argc, char** argv) {
    // Caught from the start, so that no signal finds a half-written target.
    corvan::platform::TerminationSignals signals;
    corvan::platform::PosixFileSystem files(signals);
    return corvan::cli::runCli(argc, argv, files, std::cout, std::cerr, &signals,
                               corvan::platform::standardErrorIsTerminal());
}
