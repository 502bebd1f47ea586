#include "RuntimeError.h"

namespace corvan {

namespace {

const char* describe(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::Overflow:
            return "Overflow";
        case ErrorKind::SubscriptOutOfRange:
            return "Subscript out of range";
        case ErrorKind::OutOfMemory:
            return "Out of memory";
        case ErrorKind::DivisionByZero:
            return "Division by zero";
        case ErrorKind::ReadFailed:
            return "Read failed";
        case ErrorKind::Stopped:
            return "Stopped";
    }
    return "Run-time error";
}

}  // namespace

RuntimeError::RuntimeError(ErrorKind kind) : std::runtime_error(describe(kind)), kind_(kind) {}

}  // namespace corvan
