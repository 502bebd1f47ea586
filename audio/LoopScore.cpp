#include "audio/LoopScore.h"

#include <algorithm>
#include <cmath>

namespace corvan::audio {

namespace {

// The differences in dB that bring a part down to 1/e.
constexpr double kSpectrumScaleDb = 4.0;
constexpr double kLoudnessScaleDb = 2.0;

double chromaSimilarity(const std::array<float, kChroma>& a, const std::array<float, kChroma>& b) {
    double dot = 0, na = 0, nb = 0;
    for (int i = 0; i < kChroma; ++i) {
        dot += a[i] * b[i];
        na += a[i] * a[i];
        nb += b[i] * b[i];
    }
    // Silence on both sides is alike; silence against music is not.
    if (na == 0 || nb == 0) return na == nb ? 1.0 : 0.0;
    return dot;
}

}  // namespace

PairScore scorePair(const PositionFeatures& atEnd, const PositionFeatures& atStart) {
    PairScore score;
    for (int b = 0; b < kBlocks; ++b) {
        const PositionFeatures::Block& x = atEnd.blocks[b];
        const PositionFeatures::Block& y = atStart.blocks[b];
        score.chroma += chromaSimilarity(x.chroma, y.chroma);
        double bands = 0;
        for (int i = 0; i < kBands; ++i) bands += std::abs(x.bandsDb[i] - y.bandsDb[i]);
        score.spectrumDb += bands / kBands;
        score.loudnessDb += std::abs(x.levelDb - y.levelDb);
    }
    score.chroma /= kBlocks;
    score.spectrumDb /= kBlocks;
    score.loudnessDb /= kBlocks;
    const std::size_t n = std::min(atEnd.snippet.size(), atStart.snippet.size());
    for (std::size_t i = 0; i < n; ++i) score.waveform += atEnd.snippet[i] * atStart.snippet[i];
    score.total = 0.3 * score.chroma + 0.3 * std::exp(-score.spectrumDb / kSpectrumScaleDb) +
                  0.15 * std::exp(-score.loudnessDb / kLoudnessScaleDb) +
                  0.25 * std::max(0.0, score.waveform);
    return score;
}

std::string describeScore(double total) {
    if (total >= 0.9) return "seamless";
    if (total >= 0.8) return "very smooth";
    if (total >= 0.65) return "smooth";
    if (total >= 0.5) return "noticeable";
    return "audible jump";
}

}  // namespace corvan::audio
