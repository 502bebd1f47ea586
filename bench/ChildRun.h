#pragma once

// Runs a piece of work in a child process and measures it, so that each contender of a
// benchmark starts from a fresh process and its peak memory is its own.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvan::bench {

struct Run {
    double seconds;
    long peakKib;
    double cpuSeconds;  // user and system time of the child
};

// `work` returns the child's exit status; a child that fails ends the benchmark.
inline Run inChild(const std::function<int()>& work) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) _exit(work());
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "child failed\n");
        std::exit(1);
    }
    const auto cpu = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return {std::chrono::duration<double>(end - start).count(), usage.ru_maxrss,
            cpu(usage.ru_utime) + cpu(usage.ru_stime)};
}

}  // namespace corvan::bench
