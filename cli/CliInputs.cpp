#include "CliInputs.h"

#include <charconv>
#include <cmath>

namespace corvan::cli {

std::optional<std::int16_t> parseSliderPosition(const std::string& text) {
    const bool percent = !text.empty() && text.back() == '%';
    const char* first = text.data();
    const char* last = text.data() + text.size() - (percent ? 1 : 0);
    if (first == last || *first == '+' || *first == '-') return std::nullopt;
    if (percent) {
        double p = 0;
        const auto [end, error] = std::from_chars(first, last, p);
        if (error != std::errc() || end != last || !(p >= 0 && p <= 100)) return std::nullopt;
        return static_cast<std::int16_t>(std::lround(p / 100 * kSliderMax));
    }
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || value < 0 || value > kSliderMax) return std::nullopt;
    return static_cast<std::int16_t>(value);
}

std::optional<std::pair<std::int16_t, std::int16_t>> parseLoopOption(
    const std::vector<std::string>& startAndEnd, std::string& reason) {
    std::optional<std::int16_t> positions[2];
    for (std::size_t i = 0; i < 2; ++i) {
        positions[i] = parseSliderPosition(startAndEnd[i]);
        if (!positions[i]) {
            reason = "--loop: " + startAndEnd[i] +
                     " is not a slider position from 0 to 32767 or a percentage from 0% to 100%";
            return std::nullopt;
        }
    }
    if (*positions[0] > *positions[1]) {
        reason = "--loop: the start lies behind the end";
        return std::nullopt;
    }
    return std::pair{*positions[0], *positions[1]};
}

std::optional<double> parseTime(const std::string& text) {
    const std::size_t colon = text.find(':');
    const auto number = [](const char* first, const char* last) -> std::optional<double> {
        double value = 0;
        if (first == last || *first == '+' || *first == '-') return std::nullopt;
        const auto [end, error] = std::from_chars(first, last, value);
        if (error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
        return value;
    };
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (colon == std::string::npos) return number(first, last);
    int minutes = 0;
    const auto [end, error] = std::from_chars(first, first + colon, minutes);
    const auto seconds = number(first + colon + 1, last);
    // "1:5" is no time; seconds come as two digits, as formatTime writes them.
    if (colon == 0 || error != std::errc() || end != first + colon || minutes < 0 || !seconds ||
        *seconds >= 60 || text.size() - colon - 1 < 2) {
        return std::nullopt;
    }
    return minutes * 60 + *seconds;
}

}  // namespace corvan::cli
