#pragma once

#include "engine/UserInterface.h"

#include <QString>

namespace corvan::ui {

// The engine's messages as modal message boxes titled with the application's name, the
// hourglass as the application-wide pointer, and the system beep.
class QtUserInterface : public UserInterface {
public:
    ~QtUserInterface() override;

    void messageBox(const std::string& text, MessageStyle style) override;
    void beep() override;
    void setMousePointer(MousePointer pointer) override;

private:
    bool hourglass_ = false;
};

// Message texts break lines with a single carriage return; Qt's labels break at '\n'.
QString displayText(const std::string& text);

}  // namespace corvan::ui
