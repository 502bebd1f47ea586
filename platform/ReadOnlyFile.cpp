#include "ReadOnlyFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvan::platform {

namespace {

class FileKindCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "corvan.filekind"; }
    std::string message(int) const override { return "it is not a regular file"; }
};

}  // namespace

std::error_code notRegularFileError() {
    static const FileKindCategory category;
    return {1, category};
}

ReadOnlyFile::ReadOnlyFile(const std::string& path) {
    // O_NONBLOCK: opening a FIFO would otherwise wait for a writer for ever.
    do {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        error_ = {errno, std::generic_category()};
        return;
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        error_ = {errno, std::generic_category()};
    } else if (!S_ISREG(info.st_mode)) {
        error_ = notRegularFileError();
    } else if (::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0) {
        error_ = {errno, std::generic_category()};
    }
    if (error_) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    size_ = static_cast<std::int64_t>(info.st_size);
}

ReadOnlyFile::~ReadOnlyFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::int64_t ReadOnlyFile::readAt(std::int64_t offset, void* buffer, std::size_t count) const {
    if (fd_ < 0 || offset < 0) return -1;
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, count - done,
                                  static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

std::error_code readSmallFile(const std::string& path, std::size_t largest, std::string& text) {
    text.clear();
    const ReadOnlyFile file(path);
    if (file.error()) return file.error();
    if (file.size() > static_cast<std::int64_t>(largest)) return {EFBIG, std::generic_category()};
    text.resize(static_cast<std::size_t>(file.size()));
    const std::int64_t read = file.readAt(0, text.data(), text.size());
    if (read < 0) return {EIO, std::generic_category()};
    text.resize(static_cast<std::size_t>(read));
    return {};
}

}  // namespace corvan::platform
