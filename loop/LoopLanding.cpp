#include "loop/LoopLanding.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace corvan::loop {

namespace {

// The thousandths whose position falls nearest to `frame` in a WAV of `wavFileBytes` bytes:
// the header's rounding makes the neighbours worth a look too.
std::vector<int> permillesNear(std::int64_t wavFileBytes, std::int64_t frame, std::int64_t add) {
    const double step = (wavFileBytes - 1) / 1000.0;
    const double wanted =
        (frame * 4 + audio::kPlainWavHeaderBytes + imc::kHeaderToWavOffset - add) / step;
    const int centre = static_cast<int>(std::floor(wanted));
    std::vector<int> near;
    for (int p = centre - 1; p <= centre + 2; ++p)
        if (p >= 0 && p <= imc::kPermilleMax) near.push_back(p);
    return near;
}

double seamScore(const SeamQuality& seam) {
    return seam.splice + 2 * std::max(0.0, seam.step - 2);
}

}  // namespace

std::optional<Landing> landLoop(const GameSamples& samples, std::int64_t startFrame,
                                std::int64_t endFrame, const LandingOptions& options) {
    const std::int64_t frames = samples.frames();
    const std::int64_t length = endFrame - startFrame;
    if (startFrame < 0 || endFrame > frames || length <= 0) return std::nullopt;
    std::vector<Landing> exact;
    std::optional<Landing> nearest;
    std::optional<std::int64_t> firstExactPadding;
    bool unshiftedFound = false;
    for (std::int64_t padding = 0; padding <= options.maxPaddingFrames; ++padding) {
        const bool enough = firstExactPadding && (int(exact.size()) >= options.judged ||
                                                  padding > *firstExactPadding + imc::kSampleRate);
        if (enough && (!options.preferUnshifted || unshiftedFound)) break;
        const std::int64_t bytes = audio::kPlainWavHeaderBytes + 4 * (frames + padding);
        for (const int p1 : permillesNear(bytes, startFrame, imc::kLoopStartAdd)) {
            for (const int p2 : permillesNear(bytes, endFrame, -imc::kLoopEndSubtract)) {
                const LoopFrames loop = loopFramesForPermille(bytes, p1, p2);
                if (!loop.onWholeFrames() || loop.startFrame < 0 || loop.endFrame > frames)
                    continue;
                const std::int64_t shift = loop.startFrame - startFrame;
                const std::int64_t off =
                    std::abs(loop.lengthFrames() - length) +
                    std::max<std::int64_t>(0, std::abs(shift) - options.maxShiftFrames);
                Landing landing;
                landing.paddingFrames = padding;
                landing.startPermille = p1;
                landing.endPermille = p2;
                landing.startSlider = imc::sliderForPermille(p1);
                landing.endSlider = imc::sliderForPermille(p2);
                landing.frames = loop;
                landing.shiftFrames = shift;
                landing.offByFrames = off;
                if (off == 0) {
                    unshiftedFound = unshiftedFound || shift == 0;
                    exact.push_back(landing);
                    if (!firstExactPadding) firstExactPadding = padding;
                } else if (!nearest || off < nearest->offByFrames ||
                           (off == nearest->offByFrames &&
                            std::abs(shift) < std::abs(nearest->shiftFrames))) {
                    nearest = landing;
                }
            }
        }
    }
    if (exact.empty()) {
        if (nearest)
            nearest->seam =
                measureSeam(samples, nearest->frames.startFrame, nearest->frames.endFrame);
        return nearest;
    }
    for (Landing& landing : exact)
        landing.seam = measureSeam(samples, landing.frames.startFrame, landing.frames.endFrame);
    // The best seam; of seams that measure alike, the least padding.
    return *std::min_element(exact.begin(), exact.end(), [](const Landing& a, const Landing& b) {
        const double sa = seamScore(a.seam), sb = seamScore(b.seam);
        if (std::abs(sa - sb) > 0.05) return sa < sb;
        return a.paddingFrames < b.paddingFrames;
    });
}

}  // namespace corvan::loop

namespace corvan::loop {

namespace {

// The 90th percentile of the sample-to-sample changes over the music's last 25 ms.
double usualChangeAtEnd(const GameSamples& samples) {
    const std::int64_t frames = samples.frames();
    const std::int64_t n = std::min<std::int64_t>(std::llround(0.025 * samples.rate), frames - 1);
    std::vector<double> changes;
    for (std::int64_t f = frames - n; f < frames; ++f)
        for (int c = 0; c < 2; ++c)
            changes.push_back(std::abs(samples.channel(f, c) - samples.channel(f - 1, c)));
    if (changes.empty()) return 1e-9;
    const std::size_t at = changes.size() * 9 / 10;
    std::nth_element(changes.begin(), changes.begin() + at, changes.end());
    return changes[at] + 1e-9;
}

}  // namespace

PaddingChoice choosePaddingFill(const GameSamples& samples, std::int64_t loopFrames) {
    PaddingChoice choice;
    const std::int64_t frames = samples.frames();
    if (frames < 2 || loopFrames <= 0 || loopFrames > frames) return choice;
    const double usual = usualChangeAtEnd(samples);
    double silence = 0, continuation = 0;
    for (int c = 0; c < 2; ++c) {
        const double last = samples.channel(frames - 1, c);
        silence = std::max(silence, std::abs(last));
        continuation =
            std::max(continuation, std::abs(samples.channel(frames - loopFrames, c) - last));
    }
    choice.silenceStep = silence / usual;
    choice.continuationStep = continuation / usual;
    choice.fill = choice.continuationStep < choice.silenceStep ? PaddingFill::Continuation
                                                               : PaddingFill::Silence;
    return choice;
}

std::vector<std::int16_t> paddingSamples(const GameSamples& samples, std::int64_t loopFrames,
                                         std::int64_t paddingFrames, PaddingFill fill) {
    std::vector<std::int16_t> padding(std::size_t(2 * paddingFrames), 0);
    if (fill == PaddingFill::Silence || loopFrames <= 0 || loopFrames > samples.frames())
        return padding;
    const std::int64_t fade = std::min<std::int64_t>(paddingFrames, samples.rate / 2);
    const std::int64_t from = samples.frames() - loopFrames;
    for (std::int64_t i = 0; i < fade; ++i) {
        const double gain = 1.0 - double(i + 1) / (fade + 1);
        for (int c = 0; c < 2; ++c) {
            const std::int16_t value = samples.interleaved[2 * (from + i % loopFrames) + c];
            padding[2 * i + c] = static_cast<std::int16_t>(std::lround(value * gain));
        }
    }
    return padding;
}

}  // namespace corvan::loop
