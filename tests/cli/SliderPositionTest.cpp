#include "cli/CliInputs.h"

#include <gtest/gtest.h>

namespace corvan::cli {
namespace {

TEST(SliderPosition, TakesPositionsAndPercentagesAndNothingElse) {
    const std::pair<const char*, std::optional<std::int16_t>> cases[] = {
        {"0", 0},       {"32767", 32767},    {"3277", 3277},  {"10%", 3277},
        {"90%", 29490}, {"0%", 0},           {"100%", 32767}, {"12.5%", 4096},
        {"32768", {}},  {"-1", {}},          {"+5", {}},      {"100.1%", {}},
        {"", {}},       {"%", {}},           {"5x", {}},      {"1e3", {}},
        {"nan%", {}},   {"99999999999", {}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parseSliderPosition(text), expected) << text;
    }
}

TEST(Time, TakesSecondsAndMinutesWithSeconds) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"12.5", 12.5},     {"0", 0.0},       {"47.25", 47.25}, {"1:02.250", 62.25},
        {"0:47.25", 47.25}, {"10:00", 600.0}, {"-1", {}},       {"+1", {}},
        {"1:60", {}},       {"1:5", {}},      {":05", {}},      {"1:-5", {}},
        {"", {}},           {"5s", {}},       {"inf", {}},      {"1:02:03", {}},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(parseTime(text), expected) << text;
}

}  // namespace
}  // namespace corvan::cli
