#pragma once

#include <string>

namespace corvan::audio {

// The file being written: a unique temporary file in the output's folder, renamed onto the
// output only once it is complete, removed when it is not. The library's few calls to the
// operating system live here.
class TempOutput {
public:
    // Creates the temporary file; throws AudioError naming `outputPath` when it cannot.
    explicit TempOutput(const std::string& outputPath);
    // Removes the temporary file unless it was committed.
    ~TempOutput();
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    int descriptor() const { return fd_; }
    const std::string& temporaryPath() const { return tempPath_; }
    // Flushes the file to disk, closes it and renames it onto the output path.
    void commit();

    // True when both paths name the same file: the same path, or the same device and inode.
    static bool sameFile(const std::string& a, const std::string& b);

private:
    std::string outputPath_;
    std::string tempPath_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace corvan::audio
