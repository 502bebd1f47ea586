#pragma once

#include <string>
#include <vector>

namespace corvan::ui {

// True for the directory that has no parent: the one directory that is written with a
// trailing separator.
bool isRootDirectory(const std::string& directory);

// `directory` ready for a file name to be appended: a separator is added unless the
// directory is the root, which already ends in one.
std::string withSeparator(const std::string& directory);

// An absolute path without ".", ".." or doubled separators and without a trailing
// separator (except the root), worked out from the text alone. A relative path is taken
// from `base`, an absolute directory.
std::string normalPath(const std::string& path, const std::string& base = "/");

// The directories from the root down to `directory` itself, which must be normal.
std::vector<std::string> pathFromRoot(const std::string& directory);

// The last component of a normal path; the root's own name is "/".
std::string lastComponent(const std::string& path);

}  // namespace corvan::ui
