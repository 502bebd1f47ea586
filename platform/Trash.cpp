#include "platform/Trash.h"

#include "platform/Environment.h"
#include "platform/FileCopy.h"
#include "platform/PathNames.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvan::platform {

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

std::optional<dev_t> deviceOf(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
    return info.st_dev;
}

// The nearest folder at or above `path` that exists.
std::string existingAbove(std::string path) {
    struct stat info {};
    while (!path.empty() && path != "/" && ::stat(path.c_str(), &info) != 0) path = parentOf(path);
    return path.empty() ? "/" : path;
}

// The top folder of the volume that holds `path`: the highest folder on the same device.
std::string topOfVolume(const std::string& path, dev_t device) {
    std::string top = path;
    for (std::string up = parentOf(top); !up.empty() && up != top; up = parentOf(up)) {
        if (deviceOf(up) != device) break;
        top = up;
        if (up == "/") break;
    }
    return top;
}

bool isPrivateFolderOfMine(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

// The trash folder for a file on a volume other than the home's, made where missing.
std::optional<std::string> volumeTrash(const std::string& top) {
    const std::string uid = std::to_string(::getuid());
    const std::string shared = joinPath(top, ".Trash");
    struct stat info {};
    // A shared .Trash counts only as the administrator made it: a real folder, sticky.
    if (::lstat(shared.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX)) {
        const std::string mine = joinPath(shared, uid);
        if (!makePrivateFolders(mine) && isPrivateFolderOfMine(mine)) return mine;
    }
    const std::string own = joinPath(top, ".Trash-" + uid);
    if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) return std::nullopt;
    if (!isPrivateFolderOfMine(own)) return std::nullopt;
    return own;
}

// The info file's Path: bytes other than letters, digits and "-_.~/" percent-encoded.
std::string escapedPath(const std::string& path) {
    std::string text;
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
            text += static_cast<char>(c);
        } else {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", c);
            text += code;
        }
    }
    return text;
}

std::string deletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

std::string infoPathFor(const std::string& inTrash) {
    const std::string trash = parentOf(parentOf(inTrash));
    return joinPath(joinPath(trash, "info"), fileNameOf(inTrash) + ".trashinfo");
}

}  // namespace

std::error_code FreedesktopTrash::moveToTrash(const std::string& path, std::string& inTrash) {
    const std::optional<std::string> real = realPath(parentOf(path).empty() ? "." : parentOf(path));
    const std::optional<dev_t> device = deviceOf(path);
    if (!real || !device) return lastError();
    const std::string absolute = joinPath(*real, fileNameOf(path));

    std::string trash;
    std::string infoPath = absolute;
    const std::string homeTrash = joinPath(dataHome_, "Trash");
    if (!dataHome_.empty() && deviceOf(existingAbove(homeTrash)) == device) {
        trash = homeTrash;
    } else {
        const std::string top = topOfVolume(*real, *device);
        const std::optional<std::string> found = volumeTrash(top);
        if (!found) return std::make_error_code(std::errc::operation_not_supported);
        trash = *found;
        // In a volume's own trash the path is told from the volume's top.
        if (top != "/") infoPath = absolute.substr(top.size() + 1);
    }
    if (const std::error_code error = makePrivateFolders(joinPath(trash, "files"))) return error;
    if (const std::error_code error = makePrivateFolders(joinPath(trash, "info"))) return error;

    // The info file is made first, exclusively: it reserves the name in the trash.
    const std::string name = fileNameOf(path);
    for (int n = 1; n < 10000; ++n) {
        const std::string candidate = n == 1 ? name : name + "." + std::to_string(n);
        const std::string info = joinPath(joinPath(trash, "info"), candidate + ".trashinfo");
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return lastError();
        const std::string text = "[Trash Info]\nPath=" + escapedPath(infoPath) +
                                 "\nDeletionDate=" + deletionDate() + "\n";
        const bool written = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
        ::close(fd);
        if (!written) {
            ::unlink(info.c_str());
            return std::make_error_code(std::errc::io_error);
        }
        const std::string target = joinPath(joinPath(trash, "files"), candidate);
        struct stat taken {};
        if (::lstat(target.c_str(), &taken) == 0) {  // a file of that name without its info
            ::unlink(info.c_str());
            continue;
        }
        if (::rename(path.c_str(), target.c_str()) == 0) {
            inTrash = target;
            return {};
        }
        const std::error_code error = lastError();
        ::unlink(info.c_str());
        return error;
    }
    return std::make_error_code(std::errc::file_exists);
}

std::error_code FreedesktopTrash::putBack(const std::string& inTrash, const std::string& path) {
    if (::rename(inTrash.c_str(), path.c_str()) != 0) return lastError();
    ::unlink(infoPathFor(inTrash).c_str());
    return {};
}

}  // namespace corvan::platform
