#pragma once

#include "engine/ConversionInputs.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvan::cli {

inline constexpr std::int16_t kSliderMax = 32767;

// The conversion inputs as the command line's options set them.
struct CliInputs final : ConversionInputs {
    bool debug = false;
    bool loop = false;
    std::int16_t start = 0;
    std::int16_t end = 0;

    bool DEBUGFLAG() const override { return debug; }
    bool playOnceValue() const override { return !loop; }
    bool playLoopValue() const override { return loop; }
    std::int16_t scrStartValue() const override { return start; }
    std::int16_t scrStartMax() const override { return kSliderMax; }
    std::int16_t scrEndValue() const override { return end; }
    std::int16_t scrEndMax() const override { return kSliderMax; }
};

// A slider position from "0" to "32767", or a percentage such as "10%" or "12.5%" mapped
// to the nearest position. Nothing when the text is neither.
std::optional<std::int16_t> parseSliderPosition(const std::string& text);

// The START and END of --loop; nothing, with the reason in `reason`, when either is not a
// position or START lies behind END.
std::optional<std::pair<std::int16_t, std::int16_t>> parseLoopOption(
    const std::vector<std::string>& startAndEnd, std::string& reason);

// A time of 0 or more: seconds such as "12.5", or minutes and seconds such as "1:02.25".
// Nothing when the text is neither.
std::optional<double> parseTime(const std::string& text);

}  // namespace corvan::cli
