#include "FaultyFileSystem.h"

#include <algorithm>

namespace corvan::test {

using platform::Handle;
using platform::IoResult;

void FaultyFileSystem::inject(FileOp op, Action action, int first, int last, std::uint32_t count) {
    rules_.push_back({op, action, first, last < 0 ? INT_MAX : last, count});
}

std::vector<std::uint32_t> FaultyFileSystem::counts(FileOp op) const {
    std::vector<std::uint32_t> result;
    for (const Call& call : calls_) {
        if (call.op == op) result.push_back(call.count);
    }
    return result;
}

const FaultyFileSystem::Rule* FaultyFileSystem::ruleFor(FileOp op) {
    const int nth = ++seen_[static_cast<int>(op)];
    for (const Rule& rule : rules_) {
        if (rule.op == op && nth >= rule.first && nth <= rule.last) return &rule;
    }
    return nullptr;
}

Handle FaultyFileSystem::open(const std::string& path, platform::OpenMode mode) {
    if (beforeOpen) beforeOpen(path);
    openModes.push_back(mode);
    calls_.push_back({FileOp::Open, path});
    if (ruleFor(FileOp::Open)) return platform::kInvalidHandle;
    return calls_.back().handle = inner_.open(path, mode);
}

IoResult FaultyFileSystem::read(Handle h, std::uint8_t* buf, std::uint32_t n) {
    const Rule* rule = ruleFor(FileOp::Read);
    IoResult result;
    if (!rule) {
        result = inner_.read(h, buf, n);
    } else if (rule->action == Action::Shorten) {
        result = inner_.read(h, buf, std::min(n, rule->count));
    } else if (rule->action == Action::Pretend) {
        result = {true, rule->count};
    }
    calls_.push_back({FileOp::Read, {}, h, n, result.count});
    return result;
}

IoResult FaultyFileSystem::write(Handle h, const std::uint8_t* buf, std::uint32_t n) {
    const Rule* rule = ruleFor(FileOp::Write);
    IoResult result;
    if (!rule) {
        result = inner_.write(h, buf, n);
    } else if (rule->action == Action::Shorten) {
        result = inner_.write(h, buf, std::min(n, rule->count));
    } else if (rule->action == Action::Pretend) {
        result = {true, rule->count};
    }
    calls_.push_back({FileOp::Write, {}, h, n, result.count});
    return result;
}

bool FaultyFileSystem::close(Handle handle) {
    calls_.push_back({FileOp::Close, {}, handle});
    // A failed close still releases the handle, as it does on the real system.
    const bool closed = inner_.close(handle);
    return ruleFor(FileOp::Close) ? false : closed;
}

bool FaultyFileSystem::fileExists(const std::string& path) {
    calls_.push_back({FileOp::Exists, path});
    return ruleFor(FileOp::Exists) ? false : inner_.fileExists(path);
}

std::error_code FaultyFileSystem::removeFile(const std::string& path) {
    calls_.push_back({FileOp::Remove, path});
    if (ruleFor(FileOp::Remove)) return std::make_error_code(std::errc::permission_denied);
    return inner_.removeFile(path);
}

std::error_code FaultyFileSystem::renameFile(const std::string& from, const std::string& to) {
    calls_.push_back({FileOp::Rename, from});
    if (ruleFor(FileOp::Rename)) return std::make_error_code(std::errc::permission_denied);
    return inner_.renameFile(from, to);
}

platform::FileStatus FaultyFileSystem::status(const std::string& path) {
    calls_.push_back({FileOp::Status, path});
    if (ruleFor(FileOp::Status)) {
        return {platform::FileKind::Missing, 0, 0,
                std::make_error_code(std::errc::permission_denied)};
    }
    return inner_.status(path);
}

std::error_code FaultyFileSystem::checkCreatable(const std::string& path) {
    calls_.push_back({FileOp::Creatable, path});
    if (ruleFor(FileOp::Creatable)) return std::make_error_code(std::errc::permission_denied);
    return inner_.checkCreatable(path);
}

std::error_code FaultyFileSystem::makeUniqueFile(const std::string& prefix, std::string& made) {
    calls_.push_back({FileOp::Unique, prefix});
    if (ruleFor(FileOp::Unique)) return std::make_error_code(std::errc::permission_denied);
    return inner_.makeUniqueFile(prefix, made);
}

}  // namespace corvan::test
