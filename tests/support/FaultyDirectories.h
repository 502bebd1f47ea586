#pragma once

#include "platform/PosixDirectories.h"

#include <map>
#include <string>
#include <system_error>

namespace corvan::test {

// The real directories, except that chosen ones cannot be read: a folder without access or
// a volume without its medium, made without chmod or mounts.
class FaultyDirectories final : public platform::Directories {
public:
    void makeUnreadable(const std::string& directory, std::errc reason) {
        unreadable_[directory] = std::make_error_code(reason);
    }

    std::error_code list(const std::string& directory,
                         std::vector<platform::DirectoryEntry>& entries) override {
        if (const auto found = unreadable_.find(directory); found != unreadable_.end()) {
            entries.clear();
            return found->second;
        }
        return real_.list(directory, entries);
    }
    bool isDirectory(const std::string& path) override { return real_.isDirectory(path); }
    std::string mountTable() override { return real_.mountTable(); }
    std::string workingDirectory() override { return real_.workingDirectory(); }
    std::string programDirectory() override { return real_.programDirectory(); }

private:
    platform::PosixDirectories real_;
    std::map<std::string, std::error_code> unreadable_;
};

}  // namespace corvan::test
