#pragma once

#include <string>

namespace corvan {

// Message box styles: the buttons and the icon, combined in one number as the classic
// desktop does it.
enum class MessageStyle : int {
    Plain = 0x00,    // OK button, no icon: results and debug values
    Error = 0x10,    // OK button, error icon: failed conversions
    Warning = 0x30,  // OK button, warning icon: unreadable sources
};

enum class MousePointer { Default, Hourglass };

// How the engine reaches the user. The windows, the command line and the tests each
// provide their own.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    // Shows `text` (lines broken by a single carriage return) with `style`, and returns
    // once the user has dismissed it. Message boxes never carry a title of their own.
    virtual void messageBox(const std::string& text, MessageStyle style) = 0;
    virtual void beep() = 0;
    virtual void setMousePointer(MousePointer pointer) = 0;
};

}  // namespace corvan
