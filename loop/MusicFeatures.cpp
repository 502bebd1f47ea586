#include "loop/MusicFeatures.h"

#include "audio/AudioError.h"
#include "audio/AudioReader.h"
#include "loop/RealFft.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <stdexcept>

namespace corvan::loop {

namespace {

constexpr double kFloorPower = 1e-9;  // -90 dB
constexpr double kChromaLowHz = 65, kChromaHighHz = 2100;
constexpr double kBandLowHz = 60, kBandHighHz = 5000;
// Rises smaller than this are the flutter of noise and ringing, not notes or beats.
constexpr double kOnsetFloorDb = 3;
// Context whose sharpest rise is below this has no beat to keep.
constexpr float kOnsetThresholdDb = 6;

// Scales `values` to unit length after removing their mean; all 0 when they hold nothing.
void normalise(std::vector<float>& values) {
    double mean = 0;
    for (const float value : values) mean += value;
    mean /= static_cast<double>(values.size());
    double squares = 0;
    for (float& value : values) {
        value = static_cast<float>(value - mean);
        squares += value * value;
    }
    const double scale = squares > 1e-12 ? 1 / std::sqrt(squares) : 0.0;
    for (float& value : values) value = static_cast<float>(value * scale);
}

double toDb(double power) {
    return 10 * std::log10(std::max(power, kFloorPower));
}

using Resampler = std::unique_ptr<soxr, decltype(&soxr_delete)>;

// libsoxr's medium quality is ample for features; it streams, so a long recording needs no
// second copy at its own rate.
Resampler makeResampler(double from, double to) {
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_MQ, 0);
    Resampler resampler(soxr_create(from, to, 1, &error, &io, &quality, nullptr), &soxr_delete);
    if (error != nullptr) throw std::runtime_error(error);
    return resampler;
}

// Appends to `out` what `count` mono samples give at the rate `ratio` times theirs; with no
// samples, what the filter still holds.
void resample(soxr* resampler, const float* in, std::size_t count, double ratio,
              std::vector<float>& out) {
    std::size_t done = 0;
    for (;;) {
        const std::size_t room =
            static_cast<std::size_t>(static_cast<double>(count) * ratio) + 1024;
        const std::size_t at = out.size();
        out.resize(at + room);
        std::size_t used = 0, made = 0;
        if (soxr_error_t error = soxr_process(resampler, in ? in + done : nullptr, count - done,
                                              &used, out.data() + at, room, &made)) {
            throw std::runtime_error(error);
        }
        out.resize(at + made);
        done += used;
        if (in != nullptr ? done >= count : made == 0) break;
    }
}

}  // namespace

MusicFeatures MusicFeatures::fromFile(const std::string& path, int rate,
                                      const std::function<bool()>& cancel) {
    const std::unique_ptr<audio::AudioReader> source = audio::openAudio(path);
    const audio::AudioFormat& info = source->format();
    if (info.frames == 0) throw audio::AudioError(path, "the file holds no samples");
    const int channels = info.channels;
    constexpr std::size_t kBlock = 8192;
    std::vector<float> block(kBlock * static_cast<std::size_t>(channels)), mixed(kBlock);
    std::vector<float> mono;
    if (info.frames > 0) {
        mono.reserve(static_cast<std::size_t>(
            static_cast<double>(info.frames) * rate / info.sampleRate + 1024));
    }
    std::int64_t framesRead = 0;
    try {
        const bool convert = info.sampleRate != rate;
        const double ratio = static_cast<double>(rate) / info.sampleRate;
        const Resampler resampler =
            convert ? makeResampler(info.sampleRate, rate) : Resampler(nullptr, &soxr_delete);
        while (const std::size_t got = source->read(block.data(), kBlock)) {
            if (cancel && cancel()) break;
            framesRead += static_cast<std::int64_t>(got);
            for (std::size_t f = 0; f < got; ++f) {
                float sum = 0;
                for (int c = 0; c < channels; ++c) sum += block[f * channels + c];
                mixed[f] = sum / static_cast<float>(channels);
            }
            if (convert) {
                resample(resampler.get(), mixed.data(), got, ratio, mono);
            } else {
                mono.insert(mono.end(), mixed.begin(), mixed.begin() + static_cast<long>(got));
            }
        }
        if (convert) resample(resampler.get(), nullptr, 0, ratio, mono);
    } catch (const audio::AudioError&) {
        throw;
    } catch (const std::runtime_error& error) {
        throw audio::AudioError(path, error.what());
    }
    if (framesRead == 0) throw audio::AudioError(path, "the file holds no samples");
    MusicFeatures features(std::move(mono), rate);
    // What was decoded: a header's count may be an estimate.
    features.sourceFrames_ = framesRead;
    features.sourceRate_ = info.sampleRate;
    return features;
}

MusicFeatures MusicFeatures::fromSamples(std::vector<float> mono, int rate) {
    const auto frames = static_cast<std::int64_t>(mono.size());
    MusicFeatures features(std::move(mono), rate);
    features.sourceFrames_ = frames;
    features.sourceRate_ = rate;
    return features;
}

MusicFeatures::MusicFeatures(std::vector<float> mono, int rate)
    : rate_(rate), mono_(std::move(mono)) {
    const auto samples = static_cast<std::int64_t>(mono_.size());
    frames_ = samples < kWindow ? 1 : 1 + (samples - kWindow) / kHop;
    chromaSums_.assign(static_cast<std::size_t>((frames_ + 1) * kChroma), 0.0);
    bandSums_.assign(static_cast<std::size_t>((frames_ + 1) * kBands), 0.0);
    energySums_.assign(static_cast<std::size_t>(frames_ + 1), 0.0);

    // Which pitch class and band each bin feeds (-1: none).
    constexpr int kBins = kWindow / 2 + 1;
    std::vector<int> chromaOf(kBins, -1), bandOf(kBins, -1);
    for (int k = 1; k < kBins; ++k) {
        const double hz = static_cast<double>(k) * rate / kWindow;
        if (hz >= kChromaLowHz && hz <= kChromaHighHz) {
            const long midi = std::lround(12 * std::log2(hz / 440.0) + 69);
            chromaOf[k] = static_cast<int>(midi % 12);
        }
        if (hz >= kBandLowHz && hz < kBandHighHz) {
            bandOf[k] = static_cast<int>(kBands * std::log(hz / kBandLowHz) /
                                         std::log(kBandHighHz / kBandLowHz));
        }
    }
    std::vector<double> window(kWindow);
    double windowSum = 0;
    for (int i = 0; i < kWindow; ++i) {
        window[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / kWindow);
        windowSum += window[i];
    }
    // A full-scale sine puts about (sum of the window / 2)^2 into its peak bin: 0 dB.
    const double scale = 1.0 / (windowSum * windowSum / 4);

    RealFft fft(kWindow);
    double* const in = fft.input();
    const std::complex<double>* const out = fft.output();
    std::array<double, kChroma> chroma{};
    std::array<double, kBands> bands{};
    for (std::int64_t frame = 0; frame < frames_; ++frame) {
        const std::int64_t first = frame * kHop;
        for (int i = 0; i < kWindow; ++i) {
            const std::int64_t at = first + i;
            in[i] = at < samples ? mono_[static_cast<std::size_t>(at)] * window[i] : 0.0;
        }
        fft.transform();
        chroma.fill(0);
        bands.fill(0);
        double energy = 0;
        for (int k = 1; k < kBins; ++k) {
            const double power = std::norm(out[k]) * scale;
            energy += power;
            if (chromaOf[k] >= 0) chroma[chromaOf[k]] += power;
            if (bandOf[k] >= 0) bands[bandOf[k]] += power;
        }
        const auto row = static_cast<std::size_t>(frame);
        for (int c = 0; c < kChroma; ++c) {
            chromaSums_[(row + 1) * kChroma + c] = chromaSums_[row * kChroma + c] + chroma[c];
        }
        for (int b = 0; b < kBands; ++b) {
            bandSums_[(row + 1) * kBands + b] = bandSums_[row * kBands + b] + bands[b];
        }
        energySums_[row + 1] = energySums_[row] + energy;
    }
}

void MusicFeatures::meanOver(double from, double to, double* chroma, double* bands,
                             double& energy) const {
    // Frame i is centred on sample i * kHop + kWindow / 2.
    const auto firstFrame = [&](double sample) {
        return std::clamp<std::int64_t>(
            static_cast<std::int64_t>(std::ceil((sample - kWindow / 2.0) / kHop)), 0, frames_);
    };
    const std::int64_t a = firstFrame(from), b = firstFrame(to);
    // Outside the recording there is only silence, counted in the mean.
    const double frames = std::max(1.0, (to - from) / kHop);
    const auto ra = static_cast<std::size_t>(a), rb = static_cast<std::size_t>(b);
    for (int c = 0; c < kChroma; ++c) {
        chroma[c] = (chromaSums_[rb * kChroma + c] - chromaSums_[ra * kChroma + c]) / frames;
    }
    for (int i = 0; i < kBands; ++i) {
        bands[i] = (bandSums_[rb * kBands + i] - bandSums_[ra * kBands + i]) / frames;
    }
    energy = (energySums_[rb] - energySums_[ra]) / frames;
}

PositionFeatures MusicFeatures::at(double seconds) const {
    PositionFeatures features;
    const double point = seconds * rate_;
    const double block = kBlockSeconds * rate_;
    for (int b = 0; b < kBlocks; ++b) {
        const double from = point + (b - kBlocksBefore) * block;
        double chroma[kChroma], bands[kBands], energy = 0;
        meanOver(from, from + block, chroma, bands, energy);
        PositionFeatures::Block& out = features.blocks[b];
        // Amplitudes, the roots of the powers, scaled to unit length.
        double total = 0;
        for (const double power : chroma) total += power;
        if (total > kFloorPower) {
            for (int c = 0; c < kChroma; ++c) {
                out.chroma[c] = static_cast<float>(std::sqrt(chroma[c] / total));
            }
        }
        for (int i = 0; i < kBands; ++i) out.bandsDb[i] = static_cast<float>(toDb(bands[i]));
        out.levelDb = static_cast<float>(toDb(energy));
    }
    features.snippet.assign(2 * kSnippetHalf, 0.0f);
    const auto centre = static_cast<std::int64_t>(std::llround(point));
    for (int i = 0; i < 2 * kSnippetHalf; ++i) {
        const std::int64_t at = centre - kSnippetHalf + i;
        if (at >= 0 && at < static_cast<std::int64_t>(mono_.size())) {
            features.snippet[i] = mono_[static_cast<std::size_t>(at)];
        }
    }
    normalise(features.snippet);

    const auto before = static_cast<std::int64_t>(kRhythmBeforeSeconds * rate_ / kOnsetStep);
    const auto after = static_cast<std::int64_t>(kRhythmAfterSeconds * rate_ / kOnsetStep);
    // Steps counted from the point itself, so that two points compare sample for sample.
    features.rhythm.assign(static_cast<std::size_t>(before + after), 0.0f);
    float strongest = 0;
    double previousDb = 0;
    for (std::int64_t i = -1; i < before + after; ++i) {
        const std::int64_t first = centre + (i - before) * kOnsetStep;
        double energy = 0;
        for (std::int64_t at = std::max<std::int64_t>(0, first);
             at <
             std::min<std::int64_t>(first + kOnsetStep, static_cast<std::int64_t>(mono_.size()));
             ++at) {
            const double value = mono_[static_cast<std::size_t>(at)];
            energy += value * value;
        }
        const double db = toDb(energy / kOnsetStep);
        if (i >= 0 && db - previousDb > kOnsetFloorDb) {
            const auto rise = static_cast<float>(db - previousDb);
            features.rhythm[static_cast<std::size_t>(i)] = rise;
            strongest = std::max(strongest, rise);
        }
        previousDb = db;
    }
    if (strongest < kOnsetThresholdDb) {
        std::fill(features.rhythm.begin(), features.rhythm.end(), 0.0f);
    } else {
        static constexpr float kSmear[] = {1, 2, 3, 2, 1};
        std::vector<float> smeared(features.rhythm.size(), 0.0f);
        for (std::size_t i = 0; i < smeared.size(); ++i) {
            for (std::size_t k = 0; k < 5; ++k) {
                if (i + k >= 2 && i + k - 2 < smeared.size()) {
                    smeared[i] += kSmear[k] * features.rhythm[i + k - 2];
                }
            }
        }
        features.rhythm = std::move(smeared);
        normalise(features.rhythm);
    }
    return features;
}

}  // namespace corvan::loop
