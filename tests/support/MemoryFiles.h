#pragma once

#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace corvan::test {

// A source named "source" of a given length whose bytes are never looked at, and any other
// path a target that keeps its first bytes (the header) and counts the rest; so a 2 GiB
// conversion costs no memory and little time. The source's length is told without reading.
class MemoryFiles final : public platform::FileSystem {
public:
    explicit MemoryFiles(std::uint64_t sourceLength) : sourceLength_(sourceLength) {}

    platform::Handle open(const std::string& path, platform::OpenMode) override {
        if (path == "source") {
            sourceLeft_ = sourceLength_;
            return 1;
        }
        kept.clear();
        written = 0;
        return 2;
    }
    platform::IoResult read(platform::Handle h, std::uint8_t*, std::uint32_t n) override {
        if (h != 1) return {};
        ++reads;
        const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(n, sourceLeft_));
        sourceLeft_ -= count;
        return {true, count};
    }
    platform::IoResult write(platform::Handle h, const std::uint8_t* b, std::uint32_t n) override {
        if (h != 2) return {};
        const std::size_t keep = std::min<std::size_t>(n, kKept - std::min(kKept, kept.size()));
        kept.insert(kept.end(), b, b + keep);
        written += n;
        return {true, n};
    }
    bool close(platform::Handle) override { return true; }
    std::optional<std::uint64_t> sizeOf(platform::Handle h) override {
        if (h == 1) return sourceLength_;
        return std::nullopt;
    }
    bool fileExists(const std::string&) override { return false; }
    std::error_code removeFile(const std::string&) override { return {}; }
    std::error_code renameFile(const std::string&, const std::string&) override { return {}; }
    platform::FileStatus status(const std::string&) override { return {}; }
    std::error_code checkCreatable(const std::string&) override { return {}; }
    std::error_code makeUniqueFile(const std::string& prefix, std::string& made) override {
        made = prefix + "1";
        return {};
    }

    static constexpr std::size_t kKept = 512;
    std::vector<std::uint8_t> kept;
    std::uint64_t written = 0;
    std::uint64_t reads = 0;

private:
    std::uint64_t sourceLength_;
    std::uint64_t sourceLeft_ = 0;
};

}  // namespace corvan::test
