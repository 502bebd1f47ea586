#pragma once

#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace corvan::test {

// Holds a file open for writing under an exclusive lock, as another program writing it
// would, without changing it.
class WriterLock {
public:
    explicit WriterLock(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_CLOEXEC)) {
        locked_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    }
    ~WriterLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    bool locked() const { return locked_; }

private:
    int fd_;
    bool locked_ = false;
};

}  // namespace corvan::test
