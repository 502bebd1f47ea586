#include "UserAction.h"

namespace corvan::ui {

bool runUserAction(const ReadErrorHandler& report, const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const DirectoryError& error) {
        if (report) report(error);
    }
    return false;
}

}  // namespace corvan::ui
