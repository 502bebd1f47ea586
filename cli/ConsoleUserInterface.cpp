#include "ConsoleUserInterface.h"

#include <algorithm>

namespace corvan::cli {

void ConsoleUserInterface::messageBox(const std::string& text, MessageStyle style) {
    std::string lines = text;
    std::replace(lines.begin(), lines.end(), '\r', '\n');
    (style == MessageStyle::Plain ? out_ : err_) << lines << '\n' << std::flush;
}

}  // namespace corvan::cli
