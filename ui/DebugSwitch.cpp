#include "DebugSwitch.h"

namespace corvan::ui {

bool debugSwitchFromArguments(const std::vector<std::string>& arguments) {
    return arguments.size() == 1 && arguments.front() == "D";
}

}  // namespace corvan::ui
