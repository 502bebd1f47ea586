// Suggests loops for a 3-minute 44,100 Hz 16-bit stereo recording of a repeated phrase and
// prints the median time, the peak memory and the top suggestions. The spectra come from
// FFTW: packaged by Debian, fast, and already what the audio tests use.
//
// corvan-loop-bench [DIR]   default: the system's temporary directory

#include "ChildRun.h"
#include "audio/Wording.h"
#include "loop/LoopPosition.h"
#include "loop/LoopSuggester.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kRate = 44100;
constexpr double kNote = 0.5, kPhrase = 8 * kNote;  // a 4-second phrase
constexpr double kIntro = 7.0, kSeconds = 180.0;

using corvan::bench::inChild;
using corvan::bench::Run;

double note(double hz, double t) {
    const double envelope = std::min(1.0, t / 0.01) * std::exp(-3 * t);
    double sum = 0;
    for (int h = 1; h <= 4; ++h) sum += std::sin(2 * std::numbers::pi * hz * h * t) / h;
    return 0.25 * envelope * sum;
}

// An intro, a phrase of eight notes over and over, and an outro of other notes, with quiet
// noise.
void makeRecording(const std::string& path) {
    static const double intro[] = {196, 233, 311, 370, 415, 466, 523, 587};
    static const double phrase[] = {220, 330, 262, 392, 294, 440, 349, 247};
    static const double outro[] = {185, 554, 208, 277, 622, 156, 311, 370};
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), sf_strerror(nullptr));
        std::exit(1);
    }
    const double phrasesEnd = kSeconds - 8.0;
    std::vector<double> block(2 * kRate);
    std::uint32_t seed = 1;
    for (int second = 0; second < kSeconds; ++second) {
        for (int f = 0; f < kRate; ++f) {
            const double t = second + static_cast<double>(f) / kRate;
            const double inNote = std::fmod(t, kNote);
            const int index = static_cast<int>(std::fmod(t, kPhrase) / kNote);
            const double hz = t < kIntro       ? intro[index]
                              : t < phrasesEnd ? phrase[index]
                                               : outro[index];
            seed = seed * 1664525u + 1013904223u;
            const double noise = 0.005 * (static_cast<double>(seed >> 8) / (1 << 24) * 2 - 1);
            block[2 * f] = block[2 * f + 1] = note(hz, inNote) + noise;
        }
        sf_writef_double(file, block.data(), kRate);
    }
    sf_close(file);
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::string recording = (dir / "corvan-loop-bench.wav").string();
    makeRecording(recording);

    const int rounds = 5;
    std::vector<double> times;
    long peak = 0;
    for (int i = 0; i < rounds; ++i) {
        const Run run = inChild([&] {
            try {
                const auto loops = corvan::loop::suggestLoopsFor(recording);
                return loops.empty() ? 1 : 0;
            } catch (const std::exception& error) {
                std::fprintf(stderr, "%s\n", error.what());
                return 1;
            }
        });
        times.push_back(run.seconds);
        peak = std::max(peak, run.peakKib);
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "3-minute 44,100 Hz 16-bit stereo recording, phrase %.1f s: suggestions in %.3f s "
        "(median of %d, fastest %.3f s), peak memory %ld KiB\n",
        kPhrase, times[rounds / 2], rounds, times.front(), peak);

    for (const auto& loop : corvan::loop::suggestLoopsFor(recording)) {
        std::printf(
            "  sliders %5d %5d  %5.1f%% to %5.1f%%  %s to %s  length %7.3f s (%.3f phrases)"
            "  score %.3f %s\n",
            loop.startSlider, loop.endSlider, loop.startPermille / 10.0, loop.endPermille / 10.0,
            corvan::audio::formatTime(loop.startSeconds).c_str(),
            corvan::audio::formatTime(loop.endSeconds).c_str(), loop.lengthSeconds,
            loop.lengthSeconds / kPhrase, loop.score.total, loop.words.c_str());
    }
    std::filesystem::remove(recording);
    return 0;
}
