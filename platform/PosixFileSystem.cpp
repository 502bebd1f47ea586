#include "PosixFileSystem.h"

#include "TerminationSignals.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

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
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer for ever; what
    // is not a regular file is refused before it is locked or read. O_TRUNC is not used: an
    // existing file is emptied only once the lock is ours, so a file that someone else holds
    // is never touched.
    const int flags = mode == OpenMode::ReadExisting ? O_RDONLY : O_RDWR | O_CREAT;
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return kInvalidHandle;

    struct stat info {};
    bool usable = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0;
    // The source is only read, so it is shared with other readers; an exclusive lock would
    // also need write access on NFS. A file system that has no locks at all is no reason to
    // refuse the file.
    if (usable &&
        ::flock(fd, (mode == OpenMode::ReadExisting ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
        usable = errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOTSUP;
    }
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

FileStatus PosixFileSystem::status(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return {};
        return {FileKind::Missing, 0, 0, lastError()};
    }
    const FileKind kind = S_ISREG(info.st_mode)   ? FileKind::Regular
                          : S_ISDIR(info.st_mode) ? FileKind::Directory
                                                  : FileKind::Other;
    return {
        kind, static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino), {}};
}

std::error_code PosixFileSystem::checkCreatable(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return lastError();
    if (!S_ISDIR(info.st_mode)) return std::make_error_code(std::errc::not_a_directory);
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return lastError();
    return {};
}

std::error_code PosixFileSystem::makeUniqueFile(const std::string& prefix, std::string& made) {
    std::string name = prefix + "XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return lastError();
    ::close(fd);
    made = name;
    return {};
}

bool PosixFileSystem::stopRequested() {
    return signals_ != nullptr && signals_->received() != 0;
}

}  // namespace corvan::platform
