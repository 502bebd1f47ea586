#include "FileIdentity.h"

#include <climits>
#include <cstdlib>

#include <sys/stat.h>

namespace corvan::platform {

bool sameFile(const std::string& a, const std::string& b) {
    char canonicalA[PATH_MAX];
    char canonicalB[PATH_MAX];
    if (::realpath(a.c_str(), canonicalA) != nullptr &&
        ::realpath(b.c_str(), canonicalB) != nullptr &&
        std::string(canonicalA) == std::string(canonicalB)) {
        return true;
    }
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

FileKind kindOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return FileKind::Missing;
    if (S_ISREG(info.st_mode)) return FileKind::Regular;
    if (S_ISDIR(info.st_mode)) return FileKind::Directory;
    return FileKind::Other;
}

}  // namespace corvan::platform
