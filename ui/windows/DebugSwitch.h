#pragma once

#include <string>
#include <vector>

namespace corvan::ui {

// Debug mode is on exactly when the program's only argument is "D", upper case.
bool debugSwitchFromArguments(const std::vector<std::string>& arguments);

// What the command line asks of the program before any window is made: a lone "--version"
// or "--help" prints and ends it; anything else starts it as always.
enum class StartupRequest { Run, PrintVersion, PrintHelp };
StartupRequest startupRequestFromArguments(const std::vector<std::string>& arguments);

// The texts printed for those two requests, each ending in a newline.
std::string versionText();
std::string helpText();

}  // namespace corvan::ui
