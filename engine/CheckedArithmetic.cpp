#include "CheckedArithmetic.h"

#include "RuntimeError.h"

#include <cmath>

namespace corvan {

std::int32_t checkedAdd(std::int32_t a, std::int32_t b) {
    std::int32_t result;
    if (__builtin_add_overflow(a, b, &result)) throw RuntimeError(ErrorKind::Overflow);
    return result;
}

std::int32_t checkedSub(std::int32_t a, std::int32_t b) {
    std::int32_t result;
    if (__builtin_sub_overflow(a, b, &result)) throw RuntimeError(ErrorKind::Overflow);
    return result;
}

std::int32_t checkedMul(std::int32_t a, std::int32_t b) {
    std::int32_t result;
    if (__builtin_mul_overflow(a, b, &result)) throw RuntimeError(ErrorKind::Overflow);
    return result;
}

std::int32_t roundToLong(double value) {
    // nearbyint follows the current rounding mode, which is round-to-nearest-even unless
    // someone changed it; the engine never does.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) {
        throw RuntimeError(ErrorKind::Overflow);
    }
    return static_cast<std::int32_t>(rounded);
}

double divide(double a, double b) {
    if (b == 0) throw RuntimeError(ErrorKind::DivisionByZero);
    return a / b;
}

}  // namespace corvan
