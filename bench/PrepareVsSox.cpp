// Prepares a 3-minute 44,100 Hz 16-bit stereo recording (as WAV and as FLAC) for the game
// and has sox do the same with its very high quality rate conversion, alternating, and
// prints the median times, their ratio, the THD+N of the 1 kHz tone in each output, and
// the peak memory of preparing a one-hour recording. Then the same 3 minutes as AAC in M4A,
// read through FFmpeg's libraries, against the ffmpeg program resampling with soxr. Then the
// peak memory of both for sources of rates and channel counts no recording has, which must
// stay under 64 MiB; the run fails when ours does not.
//
// corvan-audio-bench [DIR]   default: the system's temporary directory

#include "ChildRun.h"
#include "audio/AudioPreparer.h"

#include <fftw3.h>
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

using corvan::bench::inChild;
using corvan::bench::Run;

Run prepare(const std::string& source, const std::string& target,
            const corvan::audio::PrepareOptions& options = {}) {
    return inChild([&] {
        try {
            corvan::audio::prepareGameWav(source, target, options);
            return 0;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
    });
}

Run sox(const std::string& source, const std::string& target) {
    return inChild([&] {
        const char* const command[] = {"sox", source.c_str(), "-r",   "22050", "-b",   "16", "-c",
                                       "2",   target.c_str(), "rate", "-v",    nullptr};
        execvp(command[0], const_cast<char* const*>(command));
        return 1;
    });
}

// Runs a program with `arguments` in a child, its output to standard error dropped.
Run program(std::vector<std::string> arguments) {
    return inChild([&] {
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        return 1;
    });
}

// A 1 kHz tone at -1 dBFS in both channels.
void makeSource(const std::string& path, int format, double seconds) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), sf_strerror(nullptr));
        std::exit(1);
    }
    const double amplitude = std::pow(10.0, -1.0 / 20), step = 2 * std::numbers::pi * 1000 / 44100;
    std::vector<double> block(2 * 44100);
    const auto frames = static_cast<std::int64_t>(seconds * 44100);
    for (std::int64_t start = 0; start < frames; start += 44100) {
        for (std::int64_t f = 0; f < 44100; ++f) {
            block[2 * f] = block[2 * f + 1] = amplitude * std::sin(step * ((start + f) % 44100));
        }
        sf_writef_double(file, block.data(), std::min<std::int64_t>(44100, frames - start));
    }
    sf_close(file);
}

// THD+N of the 1 kHz tone in the left channel, over 65,536 frames from the tenth second,
// under a Kaiser window (beta 20) whose side lobes lie far below 16-bit noise.
double thdPlusNoiseDb(const std::string& path) {
    constexpr int n = 65536, lobe = 12;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<double> frames(2 * n), in(n);
    sf_seek(file, 10 * info.samplerate, SEEK_SET);
    sf_readf_double(file, frames.data(), n);
    sf_close(file);
    for (int i = 0; i < n; ++i) {
        const double x = 2.0 * i / (n - 1) - 1.0;
        in[i] = frames[2 * i] * std::cyl_bessel_i(0.0, 20 * std::sqrt(1 - x * x));
    }
    fftw_complex* out = fftw_alloc_complex(n / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, in.data(), out, FFTW_ESTIMATE);
    fftw_execute(plan);
    const long tone = std::lround(1000.0 * n / info.samplerate);
    double tonePower = 0, rest = 0;
    for (long k = lobe + 1; k <= n / 2; ++k) {
        const double power = out[k][0] * out[k][0] + out[k][1] * out[k][1];
        (std::abs(k - tone) <= lobe ? tonePower : rest) += power;
    }
    fftw_destroy_plan(plan);
    fftw_free(out);
    return 10 * std::log10(rest / tonePower);
}

// `frames` frames of 16-bit noise in each of `channels` channels at `rate`.
void makeOddSource(const std::string& path, int rate, int channels, std::int64_t frames) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), sf_strerror(nullptr));
        std::exit(1);
    }
    std::vector<short> block(4096 * static_cast<std::size_t>(channels));
    std::uint32_t x = 1;
    for (std::int64_t start = 0; start < frames; start += 4096) {
        for (short& sample : block)
            sample = static_cast<short>((x = x * 1664525u + 1013904223u) >> 18);
        sf_writef_short(file, block.data(), std::min<std::int64_t>(4096, frames - start));
    }
    sf_close(file);
}

// Each source's peak memory, prepared and through sox; false when ours passes the bound.
bool oddSourcesStayBounded(const std::string& source, const std::string& ours,
                           const std::string& theirs) {
    constexpr long kBoundKib = 64 * 1024;
    const struct {
        const char* name;
        int rate, channels;
        std::int64_t frames;
        std::size_t blockFrames;
    } cases[] = {
        {"1 Hz, 40 frames (882,000 out)", 1, 2, 40, 8192},
        {"9,973 Hz, 60 s", 9973, 2, 9973 * 60, 8192},
        {"768,000 Hz, 10 s", 768000, 2, 7680000, 8192},
        {"2,147,483,647 Hz, 2^24 frames", 2147483647, 2, 1 << 24, 8192},
        {"255 channels, 44,100 Hz, 3 s", 44100, 255, 132300, 8192},
        {"255 channels, blocks of 2^24 frames", 44100, 255, 132300, std::size_t{1} << 24},
    };
    bool bounded = true;
    std::printf("peak memory for odd sources (bound %ld KiB):\n", kBoundKib);
    for (const auto& c : cases) {
        makeOddSource(source, c.rate, c.channels, c.frames);
        const Run run = prepare(source, ours, {.blockFrames = c.blockFrames});
        const Run soxRun = sox(source, theirs);
        std::printf("  %-38s prepare %7ld KiB, sox %7ld KiB, ratio %.2f%s\n", c.name, run.peakKib,
                    soxRun.peakKib, static_cast<double>(run.peakKib) / soxRun.peakKib,
                    run.peakKib > kBoundKib ? "  OVER THE BOUND" : "");
        bounded = bounded && run.peakKib <= kBoundKib;
    }
    return bounded;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::string wav = (dir / "corvan-audio-bench.wav").string();
    const std::string flac = (dir / "corvan-audio-bench.flac").string();
    const std::string hour = (dir / "corvan-audio-bench-hour.wav").string();
    const std::string ours = (dir / "corvan-audio-bench-ours.wav").string();
    const std::string theirs = (dir / "corvan-audio-bench-sox.wav").string();

    makeSource(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 180);
    makeSource(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 180);
    const int rounds = 5;
    long shortPeak = 0;
    std::printf("3-minute 44,100 Hz 16-bit stereo source, %d rounds, medians\n", rounds);
    for (const std::string& source : {wav, flac}) {
        prepare(source, ours);  // warm the page cache for both contenders
        std::vector<double> ourTimes, soxTimes;
        for (int i = 0; i < rounds; ++i) {
            const Run run = prepare(source, ours);
            ourTimes.push_back(run.seconds);
            shortPeak = std::max(shortPeak, run.peakKib);
            soxTimes.push_back(sox(source, theirs).seconds);
        }
        const double a = median(ourTimes), b = median(soxTimes);
        std::printf("%-5s prepare %.3f s, sox rate -v %.3f s, ratio %.2f\n",
                    source == wav ? "WAV" : "FLAC", a, b, a / b);
    }
    std::printf("THD+N of 1 kHz at -1 dBFS: prepare %.1f dB, sox %.1f dB\n", thdPlusNoiseDb(ours),
                thdPlusNoiseDb(theirs));

    const std::string m4a = (dir / "corvan-audio-bench.m4a").string();
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) {
        std::printf("M4A: no ffmpeg program, skipped\n");
    } else {
        program({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", wav, "-c:a", "aac", "-b:a",
                 "192k", m4a});
        prepare(m4a, ours);
        std::vector<double> ourTimes, ffmpegTimes;
        long peak = 0;
        for (int i = 0; i < rounds; ++i) {
            const Run run = prepare(m4a, ours);
            ourTimes.push_back(run.seconds);
            peak = std::max(peak, run.peakKib);
            ffmpegTimes.push_back(program({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", m4a,
                                           "-ar", "22050", "-ac", "2", "-af",
                                           "aresample=resampler=soxr", "-c:a", "pcm_s16le", theirs})
                                      .seconds);
        }
        const double a = median(ourTimes), b = median(ffmpegTimes);
        std::printf(
            "M4A (AAC) prepare %.3f s, ffmpeg -ar 22050 -ac 2 with soxr %.3f s, ratio %.2f; "
            "prepare's peak memory %ld KiB (%s 64 MiB)\n",
            a, b, a / b, peak, peak < 64 * 1024 ? "under" : "OVER");
        std::filesystem::remove(m4a);
    }

    makeSource(hour, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3600);
    const Run ourHour = prepare(hour, ours);
    const Run soxHour = sox(hour, theirs);
    std::printf(
        "one-hour source: prepare %.1f s, peak memory %ld KiB (3-minute: %ld KiB); "
        "sox %.1f s, %ld KiB\n",
        ourHour.seconds, ourHour.peakKib, shortPeak, soxHour.seconds, soxHour.peakKib);

    const bool bounded = oddSourcesStayBounded(hour, ours, theirs);
    for (const std::string& path : {wav, flac, hour, ours, theirs}) std::filesystem::remove(path);
    return bounded ? 0 : 1;
}
