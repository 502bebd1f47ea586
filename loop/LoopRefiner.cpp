#include "loop/LoopRefiner.h"

#include "audio/AudioError.h"
#include "audio/AudioReader.h"

#include <algorithm>
#include <cmath>

namespace corvan::loop {

namespace {

bool windowInside(const std::vector<float>& mono, std::int64_t centre, int halfWindow) {
    return centre - halfWindow >= 0 &&
           centre + halfWindow <= static_cast<std::int64_t>(mono.size());
}

// Reads frames [from, from + count) of `file` as a mono mix; frames outside the file are 0.
std::vector<float> readMono(audio::AudioReader& file, std::int64_t from, std::int64_t count) {
    std::vector<float> mono(static_cast<std::size_t>(count), 0.0f);
    const std::int64_t first = std::max<std::int64_t>(0, from);
    const std::int64_t last = std::min<std::int64_t>(file.format().frames, from + count);
    if (last <= first) return mono;
    const int channels = file.format().channels;
    std::vector<float> frames(static_cast<std::size_t>((last - first) * channels));
    file.seek(first);
    const std::size_t got = file.read(frames.data(), static_cast<std::size_t>(last - first));
    for (std::size_t f = 0; f < got; ++f) {
        float sum = 0;
        for (int c = 0; c < channels; ++c) sum += frames[f * channels + c];
        mono[static_cast<std::size_t>(first - from) + f] = sum / static_cast<float>(channels);
    }
    return mono;
}

}  // namespace

double windowCorrelation(const std::vector<float>& mono, std::int64_t a, std::int64_t b,
                         int halfWindow) {
    if (!windowInside(mono, a, halfWindow) || !windowInside(mono, b, halfWindow)) return 0;
    double ab = 0, aa = 0, bb = 0;
    for (int i = -halfWindow; i < halfWindow; ++i) {
        const double x = mono[static_cast<std::size_t>(a + i)];
        const double y = mono[static_cast<std::size_t>(b + i)];
        ab += x * y;
        aa += x * x;
        bb += y * y;
    }
    if (aa <= 0 || bb <= 0) return 0;
    return ab / std::sqrt(aa * bb);
}

std::int64_t bestEndOffset(const std::vector<float>& mono, std::int64_t start, std::int64_t end,
                           int radius, int halfWindow) {
    std::int64_t best = 0;
    double bestCorrelation = -2;
    for (std::int64_t d = -radius; d <= radius; ++d) {
        if (!windowInside(mono, end + d, halfWindow)) continue;
        const double correlation = windowCorrelation(mono, start, end + d, halfWindow);
        // Ties go to the smaller move.
        if (correlation > bestCorrelation + 1e-12 ||
            (std::abs(correlation - bestCorrelation) <= 1e-12 && std::abs(d) < std::abs(best))) {
            bestCorrelation = correlation;
            best = d;
        }
    }
    return best;
}

RefinedLoop refineLoop(const std::string& gameWavPath, const LoopFrames& loop, int radius,
                       int halfWindow) {
    const std::unique_ptr<audio::AudioReader> file = audio::openAudio(gameWavPath);
    // Only two short stretches are read: one around the start, one around the end.
    const std::int64_t span = halfWindow + radius;
    const std::vector<float> aroundStart = readMono(*file, loop.startFrame - span, 2 * span);
    const std::vector<float> aroundEnd = readMono(*file, loop.endFrame - span, 2 * span);
    std::vector<float> both(aroundStart);
    both.insert(both.end(), aroundEnd.begin(), aroundEnd.end());
    const std::int64_t start = span, end = 3 * span;
    RefinedLoop refined;
    refined.endOffset = bestEndOffset(both, start, end, radius, halfWindow);
    refined.frames = loop;
    refined.frames.endFrame += refined.endOffset;
    refined.correlationBefore = windowCorrelation(both, start, end, halfWindow);
    refined.correlationAfter = windowCorrelation(both, start, end + refined.endOffset, halfWindow);
    return refined;
}

}  // namespace corvan::loop
