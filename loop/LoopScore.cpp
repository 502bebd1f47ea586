#include "loop/LoopScore.h"

#include <algorithm>
#include <cmath>

namespace corvan::loop {

namespace {

// The differences in dB that bring a term down to 1/e.
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

// The dot product of two unit vectors; `whenBothEmpty` when neither holds anything. Eight
// running sums let the compiler use vector instructions; this is the inner loop of ranking.
double correlation(const std::vector<float>& a, const std::vector<float>& b, double whenBothEmpty) {
    const std::size_t n = std::min(a.size(), b.size());
    float dot[8] = {}, na[8] = {}, nb[8] = {};
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        for (std::size_t k = 0; k < 8; ++k) {
            dot[k] += a[i + k] * b[i + k];
            na[k] += a[i + k] * a[i + k];
            nb[k] += b[i + k] * b[i + k];
        }
    }
    for (; i < n; ++i) {
        dot[0] += a[i] * b[i];
        na[0] += a[i] * a[i];
        nb[0] += b[i] * b[i];
    }
    double sumDot = 0, sumA = 0, sumB = 0;
    for (std::size_t k = 0; k < 8; ++k) {
        sumDot += dot[k];
        sumA += na[k];
        sumB += nb[k];
    }
    if (sumA == 0 && sumB == 0) return whenBothEmpty;
    return sumDot;
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
    // Silence meets silence seamlessly; a drone without beats has no rhythm to break.
    score.waveform = correlation(atEnd.snippet, atStart.snippet, 1.0);
    score.rhythm = correlation(atEnd.rhythm, atStart.rhythm, 1.0);
    score.total = 0.25 * score.chroma + 0.2 * std::exp(-score.spectrumDb / kSpectrumScaleDb) +
                  0.1 * std::exp(-score.loudnessDb / kLoudnessScaleDb) +
                  0.2 * std::max(0.0, score.rhythm) + 0.25 * std::max(0.0, score.waveform);
    return score;
}

std::string describeScore(double total) {
    if (total >= 0.9) return "seamless";
    if (total >= 0.8) return "very smooth";
    if (total >= 0.65) return "smooth";
    if (total >= 0.5) return "noticeable";
    return "audible jump";
}

}  // namespace corvan::loop
