#pragma once

#include <string>
#include <vector>

namespace corvan::ui {

// Debug mode is on exactly when the program's only argument is "D", upper case.
bool debugSwitchFromArguments(const std::vector<std::string>& arguments);

}  // namespace corvan::ui
