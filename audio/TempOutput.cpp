#include "audio/TempOutput.h"

#include "audio/AudioError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvan::audio {

namespace {

std::string systemReason(int error) {
    return std::strerror(error);
}

}  // namespace

TempOutput::TempOutput(const std::string& outputPath) : outputPath_(outputPath) {
    const std::filesystem::path output(outputPath);
    const std::filesystem::path folder =
        output.has_parent_path() ? output.parent_path() : std::filesystem::path(".");
    std::string pattern = (folder / ("." + output.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) throw AudioError(outputPath, systemReason(errno));
    tempPath_ = name.data();
    // mkstemp makes the file private to its owner; the output is an ordinary file.
    ::fchmod(fd_, 0644);
}

TempOutput::~TempOutput() {
    if (committed_) return;
    if (fd_ >= 0) ::close(fd_);
    ::unlink(tempPath_.c_str());
}

void TempOutput::commit() {
    if (::fsync(fd_) != 0) throw AudioError(outputPath_, systemReason(errno));
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw AudioError(outputPath_, systemReason(errno));
    if (::rename(tempPath_.c_str(), outputPath_.c_str()) != 0) {
        throw AudioError(outputPath_, systemReason(errno));
    }
    committed_ = true;
}

bool TempOutput::sameFile(const std::string& a, const std::string& b) {
    std::error_code errorA, errorB;
    const auto pathA = std::filesystem::weakly_canonical(a, errorA);
    const auto pathB = std::filesystem::weakly_canonical(b, errorB);
    if (!errorA && !errorB && pathA == pathB) return true;
    struct stat first {
    }, second{};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace corvan::audio
