// Finds the most seamless loop of a 3-minute and a 10-minute 44,100 Hz stereo recording of a
// repeated phrase, in one step as `convert --auto-loop` does (prepare, find, land, write the
// padded copy), and prints its CPU time and peak memory beside those of sox converting the
// same recording to the game's rate, and the seam of the loop the copy's sliders give.
//
// corvan-loop-bench [DIR]   default: the system's temporary directory

#include "ChildRun.h"
#include "audio/AudioPreparer.h"
#include "loop/LandedCopy.h"
#include "loop/LoopSearch.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
// A phrase of eight notes lasting 81,585 frames at the game's rate: no whole number of any
// analysis step, so only a sample-exact search finds its length.
constexpr double kNote = 0.4625, kPhrase = 8 * kNote;
constexpr double kIntro = 7.0, kOutro = 8.0;

using corvan::bench::inChild;
using corvan::bench::Run;

double note(double hz, double t) {
    const double envelope = std::min(1.0, t / 0.01) * std::exp(-3 * t);
    double sum = 0;
    for (int h = 1; h <= 6; ++h) sum += std::sin(2 * std::numbers::pi * hz * h * t) / h;
    return 0.25 * envelope * sum;
}

// An intro, the phrase over and over, and an outro of other notes, with quiet noise.
void makeRecording(const std::string& path, double seconds) {
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
    std::vector<double> block(2 * kRate);
    std::uint32_t seed = 1;
    for (int second = 0; second < seconds; ++second) {
        for (int f = 0; f < kRate; ++f) {
            const double t = second + static_cast<double>(f) / kRate;
            const bool inPhrases = t >= kIntro && t < seconds - kOutro;
            const double local = inPhrases ? t - kIntro : t;
            const int index = static_cast<int>(std::fmod(local, kPhrase) / kNote);
            const double hz = t < kIntro ? intro[index] : inPhrases ? phrase[index] : outro[index];
            seed = seed * 1664525u + 1013904223u;
            const double noise = 0.005 * (static_cast<double>(seed >> 8) / (1 << 24) * 2 - 1);
            block[2 * f] = block[2 * f + 1] = note(hz, std::fmod(local, kNote)) + noise;
        }
        sf_writef_double(file, block.data(), kRate);
    }
    sf_close(file);
}

// What `convert --auto-loop` does before the conversion: the landed loop of `recording`.
corvan::loop::LandedLoop autoLoop(const std::string& recording, const std::string& prepared,
                                  const std::string& padded) {
    corvan::audio::prepareGameWav(recording, prepared);
    const auto samples = corvan::loop::GameSamples::read(prepared);
    corvan::loop::LoopSearchOptions search;
    search.count = 8;
    const auto loops = corvan::loop::landLoops(samples, corvan::loop::findLoops(samples, search));
    if (loops.empty()) throw std::runtime_error("no loop found");
    corvan::loop::writeLandedCopy(prepared, samples, loops.front().landing, padded);
    return loops.front();
}

Run median(const std::function<int()>& work, int rounds) {
    std::vector<Run> runs;
    for (int i = 0; i < rounds; ++i) runs.push_back(inChild(work));
    std::sort(runs.begin(), runs.end(),
              [](const Run& a, const Run& b) { return a.cpuSeconds < b.cpuSeconds; });
    Run middle = runs[rounds / 2];
    for (const Run& run : runs) middle.peakKib = std::max(middle.peakKib, run.peakKib);
    return middle;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::string recording = (dir / "corvan-loop-bench.wav").string();
    const std::string prepared = (dir / "corvan-loop-bench-prepared.wav").string();
    const std::string padded = (dir / "corvan-loop-bench-padded.wav").string();
    const std::string soxOut = (dir / "corvan-loop-bench-sox.wav").string();
    const double phraseFrames = kPhrase * 22050.0;
    for (const double minutes : {3.0, 10.0}) {
        makeRecording(recording, minutes * 60);
        const int rounds = minutes < 5 ? 5 : 3;
        const Run ours = median(
            [&] {
                try {
                    autoLoop(recording, prepared, padded);
                    return 0;
                } catch (const std::exception& error) {
                    std::fprintf(stderr, "%s\n", error.what());
                    return 1;
                }
            },
            rounds);
        const std::string soxCommand =
            "sox '" + recording + "' -r 22050 -b 16 '" + soxOut + "' rate -v";
        const Run sox =
            median([&] { return std::system(soxCommand.c_str()) == 0 ? 0 : 1; }, rounds);
        const corvan::loop::LandedLoop loop = autoLoop(recording, prepared, padded);
        const auto& frames = loop.landing.frames;
        const double phrases = frames.lengthFrames() / phraseFrames;
        std::printf(
            "%.0f-minute recording, one step to a landed loop: CPU %.3f s (median of %d), peak "
            "%ld KiB; sox rate -v alone: CPU %.3f s, %ld KiB; ratio %.2f CPU, %.2f memory\n"
            "  loop frames %lld to %lld, %.6f phrases (%s), splice %.2f dB, step %.2f (%s), "
            "padding %.3f s, sliders %d %d\n",
            minutes, ours.cpuSeconds, rounds, ours.peakKib, sox.cpuSeconds, sox.peakKib,
            ours.cpuSeconds / sox.cpuSeconds,
            static_cast<double>(ours.peakKib) / static_cast<double>(sox.peakKib),
            static_cast<long long>(frames.startFrame), static_cast<long long>(frames.endFrame),
            phrases,
            std::abs(phrases - std::round(phrases)) < 1e-9 ? "exact to the sample" : "not exact",
            loop.landing.seam.splice, loop.landing.seam.step,
            corvan::loop::describeSeam(loop.landing.seam).c_str(),
            loop.landing.paddingFrames / 22050.0, loop.landing.startSlider, loop.landing.endSlider);
    }
    for (const std::string& file : {recording, prepared, padded, soxOut})
        std::filesystem::remove(file);
    return 0;
}
