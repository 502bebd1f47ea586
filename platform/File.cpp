#include "File.h"

#include <utility>

namespace corvan::platform {

File::File(File&& other) noexcept
    : files_(other.files_), handle_(std::exchange(other.handle_, kInvalidHandle)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        files_ = other.files_;
        handle_ = std::exchange(other.handle_, kInvalidHandle);
    }
    return *this;
}

IoResult File::read(std::uint8_t* buffer, std::uint32_t count) {
    if (!isOpen()) return {};
    return files_->read(handle_, buffer, count);
}

IoResult File::write(const std::uint8_t* buffer, std::uint32_t count) {
    if (!isOpen()) return {};
    return files_->write(handle_, buffer, count);
}

bool File::close() {
    if (!isOpen()) return true;
    return files_->close(std::exchange(handle_, kInvalidHandle));
}

}  // namespace corvan::platform
