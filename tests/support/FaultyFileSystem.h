#pragma once

#include "platform/FileSystem.h"

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace corvan::test {

enum class FileOp { Open, Read, Write, Close, Exists, Remove, Rename, Status, Creatable, Unique };
inline constexpr int kFileOps = 10;

// Passes every call on to another file layer and logs it; chosen calls can instead fail,
// fall short, or report a result without touching any file.
class FaultyFileSystem final : public platform::FileSystem {
public:
    enum class Action {
        Fail,     // the call does nothing and reports failure (status: a path it cannot look at)
        Shorten,  // a read or write moves at most `count` bytes
        Pretend,  // a read or write reports success with `count` bytes and moves nothing
    };
    struct Call {
        FileOp op;
        std::string path;  // what the call names (a rename: its source; unique: the prefix)
        platform::Handle handle = platform::kInvalidHandle;
        std::uint32_t requested = 0;
        std::uint32_t count = 0;  // what a read or write reported
    };

    explicit FaultyFileSystem(platform::FileSystem& inner) : inner_(inner) {}

    // Applies `action` to the calls of `op` numbered `first` to `last`, counted from 1.
    void inject(FileOp op, Action action, int first, int last = -1, std::uint32_t count = 0);
    void failNth(FileOp op, int nth) { inject(op, Action::Fail, nth, nth); }

    const std::vector<Call>& calls() const { return calls_; }
    std::vector<std::uint32_t> counts(FileOp op) const;

    platform::Handle open(const std::string& path, platform::OpenMode mode) override;
    platform::IoResult read(platform::Handle h, std::uint8_t* buf, std::uint32_t n) override;
    platform::IoResult write(platform::Handle h, const std::uint8_t* buf, std::uint32_t n) override;
    bool close(platform::Handle handle) override;
    std::optional<std::uint64_t> sizeOf(platform::Handle handle) override {
        return inner_.sizeOf(handle);
    }
    bool fileExists(const std::string& path) override;
    std::error_code removeFile(const std::string& path) override;
    std::error_code renameFile(const std::string& from, const std::string& to) override;
    platform::FileStatus status(const std::string& path) override;
    std::error_code checkCreatable(const std::string& path) override;
    std::error_code makeUniqueFile(const std::string& prefix, std::string& made) override;
    // Asks the engine to stop once `stopAfterReads` reads have been made (never if -1).
    bool stopRequested() override { return stopAfterReads >= 0 && reads() >= stopAfterReads; }

    std::vector<platform::OpenMode> openModes;
    // Runs before each open with its path: lets a test change a file between two calls, as
    // another program writing to it would.
    std::function<void(const std::string& path)> beforeOpen;
    int stopAfterReads = -1;

private:
    struct Rule {
        FileOp op;
        Action action;
        int first, last;
        std::uint32_t count;
    };
    const Rule* ruleFor(FileOp op);

    platform::FileSystem& inner_;
    std::vector<Rule> rules_;
    std::vector<Call> calls_;
    int reads() const { return seen_[static_cast<int>(FileOp::Read)]; }

    int seen_[kFileOps] = {};
};

}  // namespace corvan::test
