#include "CliApp.h"
#include "platform/PosixFileSystem.h"

#include <iostream>

int main(int argc, char** argv) {
    corvan::platform::PosixFileSystem files;
    return corvan::cli::runCli(argc, argv, files, std::cout, std::cerr);
}
