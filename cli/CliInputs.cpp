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

}  // namespace corvan::cli
