#pragma once

#include "engine/UserInterface.h"

#include <ostream>

namespace corvan::cli {

// Message boxes become lines: information and debug texts on `out`, errors and warnings on
// `err`. There is no pointer to change and nothing to beep.
class ConsoleUserInterface final : public UserInterface {
public:
    ConsoleUserInterface(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    void messageBox(const std::string& text, MessageStyle style) override;
    void beep() override {}
    void setMousePointer(MousePointer) override {}

private:
    std::ostream& out_;
    std::ostream& err_;
};

}  // namespace corvan::cli
