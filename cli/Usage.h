#pragma once

#include <ostream>
#include <string>

namespace corvan::cli {

// Writes the reason and the usage to `err`; returns 2, the status of a usage error.
int usageError(std::ostream& err, const std::string& reason);

}  // namespace corvan::cli
