#pragma once

#include <string>
#include <system_error>
#include <vector>

namespace corvan::platform {

enum class EntryKind { Directory, RegularFile, Other };

struct DirectoryEntry {
    std::string name;
    EntryKind kind;  // a link counts as what it points to
};

// The directory services the file pickers use: listing folders, the volumes mounted on the
// machine and the program's own whereabouts.
class Directories {
public:
    virtual ~Directories() = default;

    // The entries of `directory`, "." and ".." left out, in no particular order. Returns the
    // system's reason when the directory cannot be read, and then lists nothing.
    virtual std::error_code list(const std::string& directory,
                                 std::vector<DirectoryEntry>& entries) = 0;
    virtual bool isDirectory(const std::string& path) = 0;
    // The mount table in the format of /proc/self/mounts; empty where there is none.
    virtual std::string mountTable() = 0;
    virtual std::string workingDirectory() = 0;
    // The directory that holds the running program.
    virtual std::string programDirectory() = 0;
};

// True when `name` matches `pattern` ("*" and "?" wildcards), letters compared without
// regard to case.
bool matchesPattern(const std::string& name, const std::string& pattern);

}  // namespace corvan::platform
