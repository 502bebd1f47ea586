// Converts a large file and copies the same file with cat, alternating, and prints the
// median times, their ratio and the peak memory of each. The conversion reads its source
// twice (once to measure it), so it is expected to take somewhat longer than the copy;
// its memory must not grow with the source.
//
// corvan-bench [MIB [DIR]]   defaults: 1024 MiB in the system's temporary directory

#include "ChildRun.h"
#include "engine/ImcBuilder.h"
#include "platform/PosixFileSystem.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class SilentUser final : public corvan::UserInterface {
public:
    void messageBox(const std::string& text, corvan::MessageStyle style) override {
        if (style != corvan::MessageStyle::Plain) std::fprintf(stderr, "%s\n", text.c_str());
    }
    void beep() override {}
    void setMousePointer(corvan::MousePointer) override {}
};

class QueuedMusic final : public corvan::ConversionInputs {
public:
    bool DEBUGFLAG() const override { return false; }
    bool playOnceValue() const override { return true; }
    bool playLoopValue() const override { return false; }
    std::int16_t scrStartValue() const override { return 0; }
    std::int16_t scrStartMax() const override { return 32767; }
    std::int16_t scrEndValue() const override { return 0; }
    std::int16_t scrEndMax() const override { return 32767; }
};

using corvan::bench::Run;

// Each run starts without dirty pages of the one before, so neither contender pays for the
// other's write-back.
Run inChild(const std::function<int()>& work) {
    sync();
    return corvan::bench::inChild(work);
}

Run convert(const std::string& source, const std::string& target) {
    std::filesystem::remove(target);
    return inChild([&] {
        corvan::platform::PosixFileSystem files;
        SilentUser user;
        QueuedMusic inputs;
        return corvan::ImcBuilder(files, user, inputs).convertWav(source, target) ? 0 : 1;
    });
}

// cat copies inside the kernel (copy_file_range) where it can; dd with the conversion's
// block size copies through a buffer as the conversion does, without the measurement.
Run copy(const char* const* command, const std::string& target) {
    std::filesystem::remove(target);
    return inChild([&] {
        const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || dup2(out, STDOUT_FILENO) < 0) return 1;
        execvp(command[0], const_cast<char* const*>(command));
        return 1;
    });
}

void makeSource(const std::string& path, std::uint64_t bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 31 + i / 977);
    for (std::uint64_t done = 0; done < bytes; done += block.size()) {
        out.write(block.data(), static_cast<std::streamsize>(
                                    std::min<std::uint64_t>(block.size(), bytes - done)));
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    const std::filesystem::path dir =
        argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path();
    const std::string source = (dir / "corvan-bench.wav").string();
    const std::string target = (dir / "corvan-bench.out").string();
    const std::string small = (dir / "corvan-bench-small.wav").string();

    makeSource(source, mib << 20);
    makeSource(small, 16 << 20);
    const char* const cat[] = {"cat", source.c_str(), nullptr};
    const std::string input = "if=" + source;
    const char* const dd[] = {"dd", input.c_str(), "bs=100000", "status=none", nullptr};
    copy(cat, target);  // warm the page cache for every contender

    const int rounds = 7;
    std::vector<double> convertTimes, catTimes, ddTimes;
    long convertPeak = 0, catPeak = 0;
    for (int i = 0; i < rounds; ++i) {
        const Run c = convert(source, target);
        const Run p = copy(cat, target);
        ddTimes.push_back(copy(dd, target).seconds);
        convertTimes.push_back(c.seconds);
        catTimes.push_back(p.seconds);
        convertPeak = std::max(convertPeak, c.peakKib);
        catPeak = std::max(catPeak, p.peakKib);
    }
    const long smallPeak = convert(small, target).peakKib;

    const double conversion = median(convertTimes), catCopy = median(catTimes),
                 ddCopy = median(ddTimes);
    std::printf("source: %llu MiB in %s, %d rounds, medians\n",
                static_cast<unsigned long long>(mib), dir.c_str(), rounds);
    std::printf("conversion %.3f s, cat %.3f s, dd bs=100000 %.3f s\n", conversion, catCopy,
                ddCopy);
    std::printf("ratio conversion/cat: %.2f   conversion/dd: %.2f\n", conversion / catCopy,
                conversion / ddCopy);
    std::printf("peak memory: conversion %ld KiB (of a 16 MiB source: %ld KiB), cat %ld KiB\n",
                convertPeak, smallPeak, catPeak);

    std::filesystem::remove(source);
    std::filesystem::remove(target);
    std::filesystem::remove(small);
    return 0;
}
