#pragma once

namespace corvan::platform {

// Whether the program's standard error is a terminal, where a line can be redrawn in place
// (a progress bar); false for a file, a pipe or a closed stream.
bool standardErrorIsTerminal();

}  // namespace corvan::platform
