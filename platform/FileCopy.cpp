#include "platform/FileCopy.h"

#include "platform/ReadOnlyFile.h"
#include "platform/TemporaryFile.h"

#include <cerrno>
#include <filesystem>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace corvan::platform {

namespace {

constexpr std::size_t kBlock = 1 << 20;

std::error_code writeAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {errno, std::generic_category()};
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return {};
}

}  // namespace

std::error_code readBlocks(const std::string& path, const BlockObserver& seen) {
    const ReadOnlyFile file(path);
    if (file.error()) return file.error();
    std::vector<std::uint8_t> block(kBlock);
    for (std::int64_t offset = 0;;) {
        const std::int64_t n = file.readAt(offset, block.data(), block.size());
        if (n < 0) return {EIO, std::generic_category()};
        if (n == 0) return {};
        seen(block.data(), static_cast<std::size_t>(n));
        offset += n;
    }
}

std::error_code copyFile(const std::string& from, const std::string& to,
                         const BlockObserver& seen) {
    TemporaryFile copy(to);
    if (copy.error()) return copy.error();
    std::error_code writeError;
    const std::error_code readError =
        readBlocks(from, [&](const std::uint8_t* data, std::size_t size) {
            if (writeError) return;
            writeError = writeAll(copy.descriptor(), data, size);
            if (seen) seen(data, size);
        });
    if (readError) return readError;
    if (writeError) return writeError;
    return copy.commit();
}

std::error_code writeFileWhole(const std::string& path, const std::string& text) {
    TemporaryFile file(path);
    if (file.error()) return file.error();
    if (const std::error_code error = writeAll(
            file.descriptor(), reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))
        return error;
    return file.commit();
}

std::error_code removeTree(const std::string& path) {
    std::error_code error;
    std::filesystem::remove_all(path, error);
    return error;
}

std::error_code makePrivateFolders(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') continue;
        const std::string folder = path.substr(0, at);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return {errno, std::generic_category()};
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {errno, std::generic_category()};
    if (!S_ISDIR(info.st_mode)) return {ENOTDIR, std::generic_category()};
    return {};
}

}  // namespace corvan::platform
