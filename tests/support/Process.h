#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include <sys/wait.h>

namespace corvan::test {

// What a program run as a process left: its exit status (-1 when it did not exit
// normally) and its two output streams.
struct ProcessResult {
    int status;
    std::string out, err;
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string quote(const std::string& text) {
    return "'" + text + "'";
}

// Runs `command` through the shell with no input, its streams caught in `outPath` and
// `errPath`.
inline ProcessResult runProcess(const std::string& command, const std::string& outPath,
                                const std::string& errPath) {
    const int raw = std::system(
        (command + " >" + quote(outPath) + " 2>" + quote(errPath) + " </dev/null").c_str());
    const int status = WIFEXITED(raw) && WEXITSTATUS(raw) < 128 ? WEXITSTATUS(raw) : -1;
    return {status, slurp(outPath), slurp(errPath)};
}

}  // namespace corvan::test
