#include "PosixFileSystem.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvan::platform {

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

bool isDescriptor(Handle handle) {
    return handle >= 0 && handle <= INT32_MAX;
}

}  // namespace

Handle PosixFileSystem::open(const std::string& path, OpenMode mode) {
    // O_TRUNC is not used: an existing file is emptied only once the lock is ours, so a
    // file that someone else holds is never touched.
    const int flags = mode == OpenMode::ReadExisting ? O_RDONLY : O_RDWR | O_CREAT;
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return kInvalidHandle;

    struct stat info {};
    bool usable =
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    // An empty file is left alone: truncating it anyway makes ext4 write the whole new
    // content back as soon as the file is closed, which doubles a conversion's time.
    if (usable && mode == OpenMode::CreateOrTruncate && info.st_size > 0) {
        usable = ::ftruncate(fd, 0) == 0;
    }
    if (!usable) {
        ::close(fd);
        return kInvalidHandle;
    }
    return fd;
}

IoResult PosixFileSystem::read(Handle handle, std::uint8_t* buffer, std::uint32_t count) {
    if (!isDescriptor(handle)) return {};
    ssize_t n;
    do {
        n = ::read(static_cast<int>(handle), buffer, count);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return {};
    return {true, static_cast<std::uint32_t>(n)};
}

IoResult PosixFileSystem::write(Handle handle, const std::uint8_t* buffer, std::uint32_t count) {
    if (!isDescriptor(handle)) return {};
    // A regular file may take fewer bytes than offered (a full disk); keep going until it
    // has taken all of them or reports why it cannot.
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(static_cast<int>(handle), buffer + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return {false, done};
        done += static_cast<std::uint32_t>(n);
    }
    return {true, done};
}

bool PosixFileSystem::close(Handle handle) {
    if (!isDescriptor(handle)) return false;
    return ::close(static_cast<int>(handle)) == 0;
}

std::optional<std::uint64_t> PosixFileSystem::sizeOf(Handle handle) {
    struct stat info {};
    if (!isDescriptor(handle) || ::fstat(static_cast<int>(handle), &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

bool PosixFileSystem::fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::error_code PosixFileSystem::removeFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? std::error_code{} : lastError();
}

std::error_code PosixFileSystem::renameFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? std::error_code{} : lastError();
}

}  // namespace corvan::platform
