#pragma once

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Starts `argv` as a process of its own, with no input and its two streams in `outPath`
// and `errPath`, and with `environment` added to ours. Returns its id, or -1.
inline pid_t startProcess(const std::vector<std::string>& argv, const std::string& outPath,
                          const std::string& errPath,
                          const std::vector<std::string>& environment = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> env = environment;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for `pid` to end and returns how: its exit status, or -1 when a signal ended it.
inline int waitProcess(pid_t pid) {
    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Waits until `ready` holds, at most about `seconds`; a guard against waiting for ever, not
// a measure of speed. Returns whether it holds.
inline bool waitUntil(const std::function<bool()>& ready, int seconds = 30) {
    for (int i = 0; i < seconds * 1000; ++i) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return ready();
}

// Whether process `pid` catches `signal` (rather than dying of it): it has set up its
// handlers.
inline bool catchesSignal(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0) {
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
        }
    }
    return false;
}

}  // namespace corvan::test
