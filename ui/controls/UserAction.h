#pragma once

#include "ui/controls/DirectoryReader.h"

#include <functional>

namespace corvan::ui {

// Tells the user that a directory could not be shown.
using ReadErrorHandler = std::function<void(const DirectoryError&)>;

// Runs what a user's action in a list set off. Qt's event loop must never see an
// exception, so a directory that could not be read ends here and is reported; the
// list keeps showing what it showed before.
bool runUserAction(const ReadErrorHandler& report, const std::function<void()>& action);

}  // namespace corvan::ui
