#include "ConsoleUserInterface.h"

#include <algorithm>

namespace corvan::cli {

void ConsoleUserInterface::messageBox(const std::string& text, int style) {
    std::string lines = text;
    std::replace(lines.begin(), lines.end(), '\r', '\n');
    (style == MB_OK ? out_ : err_) << lines << '\n' << std::flush;
}

}  // namespace corvan::cli
