#include "Signals.h"

#include <fftw3.h>
#include <sndfile.h>

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace corvan::test {

namespace {

constexpr int kLobeBins = 12;  // half the Kaiser(20) main lobe, with room to spare

}  // namespace

bool writeSound(const std::string& path, int format, int rate, int channels, std::int64_t frames,
                const std::function<double(std::int64_t, int)>& sample) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) return false;
    // Keep values beyond full scale in float files, so clipping can be tested.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_FALSE);
    std::vector<double> block(4096 * static_cast<std::size_t>(channels));
    for (std::int64_t start = 0; start < frames; start += 4096) {
        const std::int64_t count = std::min<std::int64_t>(4096, frames - start);
        for (std::int64_t f = 0; f < count; ++f) {
            for (int c = 0; c < channels; ++c) block[f * channels + c] = sample(start + f, c);
        }
        sf_writef_double(file, block.data(), count);
    }
    return sf_close(file) == 0;
}

bool writeSine(const std::string& path, int format, int rate, int channels, double seconds,
               double frequency, double dbfs) {
    const double amplitude = std::pow(10.0, dbfs / 20.0);
    const double step = 2 * std::numbers::pi * frequency / rate;
    return writeSound(path, format, rate, channels, std::llround(seconds * rate),
                      [&](std::int64_t f, int) { return amplitude * std::sin(step * f); });
}

std::vector<double> Pcm16::channel(int which, std::int64_t start, std::int64_t count) const {
    std::vector<double> values(static_cast<std::size_t>(count));
    for (std::int64_t f = 0; f < count; ++f) values[f] = samples[(start + f) * channels + which];
    return values;
}

Pcm16 readPcm16(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) throw std::runtime_error(path + ": " + sf_strerror(nullptr));
    Pcm16 pcm{info.samplerate, info.channels, {}};
    pcm.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    pcm.samples.resize(sf_readf_short(file, pcm.samples.data(), info.frames) * info.channels);
    sf_close(file);
    return pcm;
}

Spectrum::Spectrum(const std::vector<double>& samples, int rate)
    : rate_(rate), windowPower_(0), power_(samples.size() / 2 + 1) {
    const std::size_t n = samples.size();
    constexpr double beta = 20.0;
    std::vector<double> in(n);
    fftw_complex* out = fftw_alloc_complex(power_.size());
    for (std::size_t i = 0; i < n; ++i) {
        const double x = 2.0 * i / (n - 1) - 1.0;
        const double w =
            std::cyl_bessel_i(0.0, beta * std::sqrt(1 - x * x)) / std::cyl_bessel_i(0.0, beta);
        windowPower_ += w * w;
        in[i] = samples[i] * w;
    }
    fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(n), in.data(), out, FFTW_ESTIMATE);
    fftw_execute(plan);
    for (std::size_t k = 0; k < power_.size(); ++k) {
        power_[k] = out[k][0] * out[k][0] + out[k][1] * out[k][1];
    }
    fftw_destroy_plan(plan);
    fftw_free(out);
}

double Spectrum::lobePower(double frequency) const {
    const auto n = static_cast<double>((power_.size() - 1) * 2);
    const long centre = std::lround(frequency * n / rate_);
    double sum = 0;
    for (long k = std::max(1L, centre - kLobeBins);
         k <= std::min<long>(centre + kLobeBins, static_cast<long>(power_.size()) - 1); ++k) {
        sum += power_[static_cast<std::size_t>(k)];
    }
    return sum;
}

double Spectrum::amplitudeAt(double frequency) const {
    // A sine of amplitude A puts N * A^2/4 * sum(w^2) into the bins of its positive lobe.
    const auto n = static_cast<double>((power_.size() - 1) * 2);
    return std::sqrt(4 * lobePower(frequency) / (n * windowPower_));
}

double Spectrum::thdPlusNoiseDb(double frequency) const {
    double rest = 0;
    for (std::size_t k = kLobeBins + 1; k < power_.size(); ++k) rest += power_[k];
    const double tone = lobePower(frequency);
    return 10 * std::log10((rest - tone) / tone);
}

double toDb(double ratio) {
    return 20 * std::log10(ratio);
}

}  // namespace corvan::test
