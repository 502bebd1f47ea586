#pragma once

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

}  // namespace corvan
