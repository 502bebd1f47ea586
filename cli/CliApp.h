#pragma once

#include "platform/FileSystem.h"

#include <ostream>

namespace corvan::cli {

// Runs corvan-cli with its arguments and returns the exit status: 0 success, 1 failure,
// 2 usage error.
int runCli(int argc, const char* const* argv, platform::FileSystem& files, std::ostream& out,
           std::ostream& err);

}  // namespace corvan::cli
