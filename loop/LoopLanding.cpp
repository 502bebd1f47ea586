#include "loop/LoopLanding.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace corvan::loop {

namespace {

constexpr double kNoClick = 2.0;

double seamScore(const SeamQuality& seam) {
    return seam.splice + 2 * std::max(0.0, seam.step - 2);
}

// The frame and byte remainder at which thousandth `permille` puts a loop's start (or end) in
// a WAV whose size field holds `wavSize`.
imc::FramePosition startAt(std::int64_t wavSize, std::int64_t permille) {
    return imc::framePositionOf(imc::loopStartFor(imc::headerPosition(wavSize, permille)),
                                audio::kPlainWavHeaderBytes);
}
imc::FramePosition endAt(std::int64_t wavSize, std::int64_t permille) {
    return imc::framePositionOf(imc::loopEndFor(imc::headerPosition(wavSize, permille)),
                                audio::kPlainWavHeaderBytes);
}

// The thousandths next to where `frame` falls for a position function `at`: the header's
// rounding makes both neighbours worth a look.
template <typename At>
void nearest(std::int64_t wavSize, std::int64_t frame, At at, int out[3], int& count) {
    const double perThousandth = wavSize / 1000.0 / imc::kBytesPerFrame;
    const int centre =
        static_cast<int>(std::lround((frame - at(wavSize, 0).frame) / perThousandth));
    count = 0;
    for (int p = centre - 1; p <= centre + 1; ++p)
        if (p >= 0 && p <= imc::kPermilleMax) out[count++] = p;
}

}  // namespace

std::optional<Landing> landLoop(const GameSamples& samples, std::int64_t startFrame,
                                std::int64_t endFrame, const LandingOptions& options) {
    const std::int64_t frames = samples.frames();
    const std::int64_t length = endFrame - startFrame;
    if (startFrame < 0 || endFrame > frames || length <= 0) return std::nullopt;
    std::vector<Landing> exact;
    std::optional<Landing> nearestLanding;
    std::optional<std::int64_t> firstExactPadding;
    bool unshiftedFound = false;
    int quiet = 0;  // exact landings whose step is no click
    for (std::int64_t padding = 0; padding <= options.maxPaddingFrames; ++padding) {
        // Enough once a few landings jump without a click, or, where the music makes those
        // rare, once the window past the first landing holds one.
        const bool enough =
            firstExactPadding &&
            (quiet >= options.quietWanted || int(exact.size()) >= options.judged ||
             (padding > *firstExactPadding + options.paddingWindowFrames && quiet > 0));
        if (enough && (!options.preferUnshifted || unshiftedFound)) break;
        const std::int64_t wavSize = audio::kPlainWavHeaderBytes + 4 * (frames + padding) - 1;
        int starts[3], startCount = 0;
        nearest(wavSize, startFrame, startAt, starts, startCount);
        for (int i = 0; i < startCount; ++i) {
            const imc::FramePosition start = startAt(wavSize, starts[i]);
            const bool startWhole = start.byteRemainder == 0;
            if ((options.wholeFramesOnly && !startWhole) || start.frame < 0) continue;
            const std::int64_t shift = start.frame - startFrame;
            int ends[3], endCount = 0;
            nearest(wavSize, start.frame + length, endAt, ends, endCount);
            for (int j = 0; j < endCount; ++j) {
                const imc::FramePosition end = endAt(wavSize, ends[j]);
                if ((options.wholeFramesOnly && end.byteRemainder != 0) || end.frame > frames ||
                    end.frame <= start.frame)
                    continue;
                const std::int64_t off =
                    std::abs(end.frame - start.frame - length) +
                    std::max<std::int64_t>(0, std::abs(shift) - options.maxShiftFrames);
                if (off != 0 && nearestLanding && off >= nearestLanding->offByFrames) continue;
                Landing landing;
                landing.paddingFrames = padding;
                landing.startPermille = starts[i];
                landing.endPermille = ends[j];
                landing.startSlider = imc::sliderForPermille(starts[i]);
                landing.endSlider = imc::sliderForPermille(ends[j]);
                landing.frames = loopFramesForPermille(wavSize + 1, starts[i], ends[j]);
                landing.shiftFrames = shift;
                landing.offByFrames = off;
                if (off == 0) {
                    unshiftedFound = unshiftedFound || shift == 0;
                    if (!firstExactPadding) firstExactPadding = padding;
                    landing.seam.step =
                        seamStep(samples, landing.frames.startFrame, landing.frames.endFrame);
                    if (landing.seam.step <= kNoClick) ++quiet;
                    exact.push_back(landing);
                } else {
                    nearestLanding = landing;
                }
            }
        }
    }
    if (exact.empty()) {
        if (nearestLanding)
            nearestLanding->seam = measureSeam(samples, nearestLanding->frames.startFrame,
                                               nearestLanding->frames.endFrame);
        return nearestLanding;
    }
    if (options.preferUnshifted) {
        for (Landing& landing : exact) {
            if (landing.shiftFrames != 0) continue;
            // The first found has the least padding.
            landing.seam = measureSeam(samples, landing.frames.startFrame, landing.frames.endFrame);
            return landing;
        }
    }
    // The step at the jump costs a few samples to measure, the whole seam two spectra: the
    // landings that click least are measured in full.
    std::stable_sort(exact.begin(), exact.end(),
                     [](const Landing& a, const Landing& b) { return a.seam.step < b.seam.step; });
    if (exact.size() > std::size_t(options.measured)) exact.resize(options.measured);
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
