#include "DebugSwitch.h"

namespace corvan::ui {

bool debugSwitchFromArguments(const std::vector<std::string>& arguments) {
    return arguments.size() == 1 && arguments.front() == "D";
}

StartupRequest startupRequestFromArguments(const std::vector<std::string>& arguments) {
    if (arguments.size() != 1) return StartupRequest::Run;
    if (arguments.front() == "--version") return StartupRequest::PrintVersion;
    if (arguments.front() == "--help") return StartupRequest::PrintHelp;
    return StartupRequest::Run;
}

std::string versionText() {
    return "corvan " CORVAN_VERSION "\n";
}

std::string helpText() {
    return "usage: corvan [D | --help | --version]\n"
           "\n"
           "Turns a WAV recording into an IMC music track of the game, in a window.\n"
           "\n"
           "  D          debug mode: message boxes show the intermediate values\n"
           "  --help     print this help and exit\n"
           "  --version  print the version and exit\n"
           "\n"
           "Each of these counts only as the one and only argument; any other arguments\n"
           "are ignored. corvan-cli does the same conversion without windows.\n";
}

}  // namespace corvan::ui
