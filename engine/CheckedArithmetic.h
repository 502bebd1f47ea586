#pragma once

#include <cstdint>

namespace corvan {

// 32-bit integer arithmetic that throws Overflow instead of wrapping.
std::int32_t checkedAdd(std::int32_t a, std::int32_t b);
std::int32_t checkedSub(std::int32_t a, std::int32_t b);
std::int32_t checkedMul(std::int32_t a, std::int32_t b);

// Rounds to the nearest integer, ties to the even one; throws Overflow when the result
// does not fit 32 bits (or the value is not a number).
std::int32_t roundToLong(double value);

// a / b in double precision; throws DivisionByZero when b is 0.
double divide(double a, double b);

}  // namespace corvan
