#include "loop/LoopSuggester.h"

#include "audio/AudioPreparer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace corvan::loop {

namespace {

struct Candidate {
    float total;
    short start, end;  // thousandths
};

}  // namespace

std::vector<LoopSuggestion> suggestLoops(const MusicFeatures& features, std::int64_t gameFrames,
                                         const SuggestOptions& options) {
    const std::int64_t bytes = audio::gameWavBytes(gameFrames);
    const double seconds = framesToSeconds(gameFrames);
    const std::int64_t minFrames =
        secondsToFrames(std::max(options.minLengthSeconds, options.minLengthShare * seconds));

    // The same thousandth lies at different frames as a start and as an end.
    std::vector<LoopFrames> at(imc::kPermilleMax + 1);
    std::vector<PositionFeatures> starts(imc::kPermilleMax + 1), ends(imc::kPermilleMax + 1);
    for (int p = 0; p <= imc::kPermilleMax; ++p) {
        at[p] = loopFramesForPermille(bytes, p, p);
        starts[p] = features.at(framesToSeconds(at[p].startFrame));
        ends[p] = features.at(framesToSeconds(at[p].endFrame));
    }

    const auto cancelled = [&options] { return options.shouldCancel && options.shouldCancel(); };
    std::vector<Candidate> candidates;
    for (int s = 0; s <= imc::kPermilleMax; ++s) {
        if (cancelled()) return {};
        if (at[s].startFrame < 0) continue;
        for (int e = s + 1; e <= imc::kPermilleMax; ++e) {
            if (at[e].endFrame > gameFrames) break;
            const LoopFrames loop{at[s].startFrame, at[e].endFrame};
            if (loop.degenerate() || loop.lengthFrames() < minFrames) continue;
            if (options.wholeFramesOnly &&
                (at[s].startByteRemainder != 0 || at[e].endByteRemainder != 0)) {
                continue;
            }
            candidates.push_back({static_cast<float>(scorePair(ends[e], starts[s]).total),
                                  static_cast<short>(s), static_cast<short>(e)});
        }
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const Candidate& a, const Candidate& b) { return a.total > b.total; });

    std::vector<LoopSuggestion> chosen;
    for (const Candidate& c : candidates) {
        if (static_cast<int>(chosen.size()) >= options.count) break;
        const bool sameLoop = std::any_of(chosen.begin(), chosen.end(), [&](const auto& other) {
            return std::abs(other.startPermille - c.start) <= options.separationPermille &&
                   std::abs(other.endPermille - c.end) <= options.separationPermille;
        });
        if (sameLoop) continue;
        LoopSuggestion suggestion;
        suggestion.startPermille = c.start;
        suggestion.endPermille = c.end;
        suggestion.startSlider = imc::sliderForPermille(c.start);
        suggestion.endSlider = imc::sliderForPermille(c.end);
        suggestion.frames = loopFramesForPermille(bytes, c.start, c.end);
        suggestion.startSeconds = framesToSeconds(suggestion.frames.startFrame);
        suggestion.endSeconds = framesToSeconds(suggestion.frames.endFrame);
        suggestion.lengthSeconds = framesToSeconds(suggestion.frames.lengthFrames());
        suggestion.score = scorePair(ends[c.end], starts[c.start]);
        suggestion.words = describeScore(suggestion.score.total);
        chosen.push_back(suggestion);
    }
    return chosen;
}

std::vector<LoopSuggestion> suggestLoopsFor(const std::string& recordingPath,
                                            const SuggestOptions& options) {
    const MusicFeatures features =
        MusicFeatures::fromFile(recordingPath, MusicFeatures::kDefaultRate, options.shouldCancel);
    if (options.shouldCancel && options.shouldCancel()) return {};
    return suggestLoops(
        features, audio::gameFramesFor(features.sourceFrames(), features.sourceRate()), options);
}

}  // namespace corvan::loop
