#include "TemporaryFile.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvan::platform {

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

}  // namespace

TemporaryFile::TemporaryFile(const std::string& finalPath) : finalPath_(finalPath) {
    const std::size_t slash = finalPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : finalPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    std::string pattern = (slash == std::string::npos ? "./" : folder) + "." + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    fd_ = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd_ < 0) {
        error_ = lastError();
        return;
    }
    path_ = buffer.data();
    // mkstemp makes the file private to its owner; the result is an ordinary file.
    ::fchmod(fd_, 0644);
}

TemporaryFile::~TemporaryFile() {
    if (committed_ || path_.empty()) return;
    if (fd_ >= 0) ::close(fd_);
    ::unlink(path_.c_str());
}

std::error_code TemporaryFile::commit() {
    if (::fsync(fd_) != 0) return lastError();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return lastError();
    if (::rename(path_.c_str(), finalPath_.c_str()) != 0) return lastError();
    committed_ = true;
    return {};
}

}  // namespace corvan::platform
