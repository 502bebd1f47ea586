#pragma once

#include "engine/ConversionInputs.h"
#include "engine/UserInterface.h"

#include <cstdio>
#include <string>
#include <vector>

namespace corvan::test {

// Records what the engine showed the user, in order: "box 0x10: text", "beep",
// "pointer default" and "pointer hourglass".
class FakeUserInterface final : public UserInterface {
public:
    void messageBox(const std::string& text, MessageStyle style) override {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "box 0x%02X: ", static_cast<int>(style));
        events.push_back(prefix + text);
    }
    void beep() override { events.push_back("beep"); }
    void setMousePointer(MousePointer pointer) override {
        events.push_back(pointer == MousePointer::Default ? "pointer default"
                                                          : "pointer hourglass");
    }

    std::vector<std::string> events;
};

// Conversion inputs as plain values, logging each read by its control name.
class FakeInputs final : public ConversionInputs {
public:
    bool debug = false;
    bool loop = false;
    std::int16_t start = 0, end = 0, startMax = 32767, endMax = 32767;
    mutable std::vector<std::string> reads;

    bool DEBUGFLAG() const override { return log("DEBUGFLAG"), debug; }
    bool playOnceValue() const override { return log("playOnce.Value"), !loop; }
    bool playLoopValue() const override { return log("playLoop.Value"), loop; }
    std::int16_t scrStartValue() const override { return log("scrStart.Value"), start; }
    std::int16_t scrStartMax() const override { return log("scrStart.Max"), startMax; }
    std::int16_t scrEndValue() const override { return log("scrEnd.Value"), end; }
    std::int16_t scrEndMax() const override { return log("scrEnd.Max"), endMax; }

private:
    void log(const char* name) const { reads.emplace_back(name); }
};

}  // namespace corvan::test
