#include "Terminal.h"

#include <unistd.h>

namespace corvan::platform {

bool standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace corvan::platform
