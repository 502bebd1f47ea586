#pragma once

#include <cstdint>
#include <stdexcept>

namespace corvan {

enum class ErrorKind {
    Overflow,             // a 32-bit sum, difference, product or conversion out of range
    SubscriptOutOfRange,  // a buffer index outside the buffer
    OutOfMemory,          // a buffer could not be allocated
    DivisionByZero,
    ReadFailed,  // the system reported an error while reading a file
    Stopped,     // the program was told to stop (a termination signal)
};

// An error that ends the running procedure and travels up to the conversion driver, the
// only place that catches it.
class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(ErrorKind kind);
    ErrorKind kind() const { return kind_; }

private:
    ErrorKind kind_;
};

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
