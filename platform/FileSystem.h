#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace corvan::platform {

// An open file as the file layer hands it out; kInvalidHandle marks a failed open.
using Handle = std::int64_t;
inline constexpr Handle kInvalidHandle = -1;

enum class OpenMode {
    // Read access only; a missing file is an error and is never created.
    ReadExisting,
    // Read and write access; a missing file is created, an existing one is emptied.
    CreateOrTruncate,
};

// The outcome of one read or write: whether the call succeeded and how many bytes it moved.
// A read that reaches the end of the file succeeds with a count of 0.
struct IoResult {
    bool ok = false;
    std::uint32_t count = 0;
};

// What a path names, as far as replacing it is concerned.
enum class FileKind { Missing, Regular, Directory, Other };

// What a path names and which file it is: two paths with the same device and inode name the
// same file. `error` holds the reason when the path could not be looked at (not when it
// merely names nothing: that is kind Missing).
struct FileStatus {
    FileKind kind = FileKind::Missing;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::error_code error;
};

// True when both name one and the same existing file, whatever the paths: a hard link or a
// symbolic link to a file is that file.
inline bool sameFile(const FileStatus& a, const FileStatus& b) {
    return a.kind != FileKind::Missing && b.kind != FileKind::Missing && !a.error && !b.error &&
           a.device == b.device && a.inode == b.inode;
}

// The file calls that the engine and the front ends use. A file open for reading is shared
// with other readers; a file open for writing is held exclusively. An open that meets a
// conflicting holder fails.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Returns kInvalidHandle when the file cannot be opened in this mode.
    virtual Handle open(const std::string& path, OpenMode mode) = 0;
    // Reads up to `count` bytes into `buffer`.
    virtual IoResult read(Handle handle, std::uint8_t* buffer, std::uint32_t count) = 0;
    // Writes `count` bytes from `buffer`; a short count means the rest was not written.
    virtual IoResult write(Handle handle, const std::uint8_t* buffer, std::uint32_t count) = 0;
    virtual bool close(Handle handle) = 0;
    // The open file's length, where the layer can tell it without reading; a hint only,
    // for refusing at once what reading through would refuse in the end.
    virtual std::optional<std::uint64_t> sizeOf(Handle) { return std::nullopt; }

    // True when `path` names an existing regular file.
    virtual bool fileExists(const std::string& path) = 0;
    // Each returns the system's reason on failure and an empty error code on success.
    virtual std::error_code removeFile(const std::string& path) = 0;
    virtual std::error_code renameFile(const std::string& from, const std::string& to) = 0;

    virtual FileStatus status(const std::string& path) = 0;
    // Why a file of this name could not be created (its folder is missing or not writable);
    // empty when it could.
    virtual std::error_code checkCreatable(const std::string& path) = 0;
    // Creates an empty file whose name is `prefix` followed by a suffix that no other file
    // in that folder has, and sets `made` to its path. A rename onto it then cannot replace
    // anybody else's file.
    virtual std::error_code makeUniqueFile(const std::string& prefix, std::string& made) = 0;

    // True once the program has been told to stop (a termination signal): long work on
    // files ends early and puts things back as they were.
    virtual bool stopRequested() { return false; }
};

}  // namespace corvan::platform
