#include "JsonText.h"

#include <cmath>
#include <cstdint>

namespace corvan {

Json jsonNumber(double value) {
    if (!std::isfinite(value)) return nullptr;
    // Within ±2^53 every whole double is exactly an integer.
    constexpr double kExactIntegers = 9007199254740992.0;
    if (value == std::trunc(value) && std::fabs(value) <= kExactIntegers) {
        return static_cast<std::int64_t>(value);
    }
    return value;
}

std::string jsonText(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace corvan
