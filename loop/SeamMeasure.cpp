#include "loop/SeamMeasure.h"

#include "loop/RealFft.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace corvan::loop {

namespace {

constexpr int kSpectrumSize = 1024;
constexpr int kSpectrumHop = 256;
constexpr double kFloorDb = 80;  // below the loudest bin this far, differences do not count

// dB spectra of `signal` frame by frame (Hann window).
std::vector<std::vector<double>> spectra(const std::vector<float>& signal, RealFft& fft) {
    std::vector<std::vector<double>> frames;
    for (std::size_t at = 0; at + kSpectrumSize <= signal.size(); at += kSpectrumHop) {
        for (int i = 0; i < kSpectrumSize; ++i) {
            const double hann = 0.5 - 0.5 * std::cos(2 * M_PI * i / (kSpectrumSize - 1));
            fft.input()[i] = signal[at + i] * hann;
        }
        fft.transform();
        std::vector<double> db(fft.bins());
        for (int k = 0; k < fft.bins(); ++k)
            db[k] = 20 * std::log10(std::abs(fft.output()[k]) + 1e-9);
        frames.push_back(std::move(db));
    }
    return frames;
}

double splice(const GameSamples& samples, std::int64_t start, std::int64_t end) {
    const std::int64_t half = std::llround(0.1 * samples.rate);
    std::vector<float> natural(2 * half), heard(2 * half);
    for (std::int64_t i = 0; i < 2 * half; ++i) {
        natural[i] = samples.mono(end - half + i);
        heard[i] = i < half ? samples.mono(end - half + i) : samples.mono(start + i - half);
    }
    RealFft fft(kSpectrumSize);
    const auto a = spectra(natural, fft);
    const auto b = spectra(heard, fft);
    double loudest = -1e300;
    for (const auto* side : {&a, &b})
        for (const auto& frame : *side)
            loudest = std::max(loudest, *std::max_element(frame.begin(), frame.end()));
    const double floor = loudest - kFloorDb;
    double total = 0;
    for (std::size_t f = 0; f < a.size(); ++f) {
        double sum = 0;
        for (std::size_t k = 0; k < a[f].size(); ++k) {
            const double d = std::max(a[f][k], floor) - std::max(b[f][k], floor);
            sum += d * d;
        }
        total += std::sqrt(sum / a[f].size());
    }
    return a.empty() ? 0 : total / a.size();
}

double step(const GameSamples& samples, std::int64_t start, std::int64_t end) {
    const std::int64_t n = std::llround(0.025 * samples.rate);
    const std::int64_t frames = samples.frames();
    double jump = 0;
    std::vector<float> changes;
    for (int c = 0; c < 2; ++c) {
        jump = std::max(jump,
                        double(std::abs(samples.channel(start, c) - samples.channel(end - 1, c))));
        // What is heard around the seam: the n frames before the end, then n from the start.
        std::vector<float> heard;
        for (std::int64_t f = std::max<std::int64_t>(end - n, 1); f < end; ++f)
            heard.push_back(samples.channel(f, c));
        for (std::int64_t f = start; f < std::min(start + n, frames); ++f)
            heard.push_back(samples.channel(f, c));
        for (std::size_t i = 1; i < heard.size(); ++i)
            changes.push_back(std::abs(heard[i] - heard[i - 1]));
    }
    if (changes.empty()) return 0;
    // The 90th percentile of the changes, interpolated between ranks as the usual definition.
    const double rank = 0.9 * (changes.size() - 1);
    const std::size_t low = static_cast<std::size_t>(rank);
    std::nth_element(changes.begin(), changes.begin() + low, changes.end());
    const double lowValue = changes[low];
    double usual = lowValue;
    if (low + 1 < changes.size()) {
        const double highValue = *std::min_element(changes.begin() + low + 1, changes.end());
        usual = lowValue + (rank - low) * (highValue - lowValue);
    }
    return jump / (usual + 1e-9);
}

}  // namespace

double seamStep(const GameSamples& samples, std::int64_t startFrame, std::int64_t endFrame) {
    return step(samples, startFrame, endFrame);
}

SeamQuality measureSeam(const GameSamples& samples, std::int64_t startFrame,
                        std::int64_t endFrame) {
    return {splice(samples, startFrame, endFrame), step(samples, startFrame, endFrame)};
}

}  // namespace corvan::loop
