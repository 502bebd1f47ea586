#include "ByteBuffer.h"

#include "RuntimeError.h"

#include <new>

namespace corvan {

ByteBuffer::ByteBuffer() {
    try {
        bytes_ = std::make_unique<std::uint8_t[]>(size());
    } catch (const std::bad_alloc&) {
        throw RuntimeError(ErrorKind::OutOfMemory);
    }
}

std::uint8_t& ByteBuffer::at(std::size_t index) {
    if (index >= size()) throw RuntimeError(ErrorKind::SubscriptOutOfRange);
    return bytes_[index];
}

}  // namespace corvan
