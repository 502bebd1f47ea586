#include "loop/LandedCopy.h"

#include "loop/LoopPlacement.h"

#include <algorithm>
#include <cmath>

namespace corvan::loop {

namespace {

double landedScore(const Landing& landing) {
    return landing.seam.splice + 2 * std::max(0.0, landing.seam.step - 2) +
           (landing.exact() ? 0 : 10 + landing.offByFrames);
}

}  // namespace

std::vector<LandedLoop> landLoops(const GameSamples& samples, const std::vector<FoundLoop>& loops,
                                  LandingOptions options) {
    std::vector<LandedLoop> landed;
    for (const FoundLoop& found : loops) {
        std::optional<Landing> landing =
            landLoop(samples, found.startFrame, found.endFrame, options);
        if (!landing) continue;
        if (landing->exact()) {
            LandingOptions again = options;
            again.preferUnshifted = true;
            if (auto settled =
                    landLoop(samples, landing->frames.startFrame, landing->frames.endFrame, again);
                settled && settled->exact() && settled->shiftFrames == 0)
                landing = settled;
        }
        landed.push_back({found, *landing});
    }
    std::stable_sort(landed.begin(), landed.end(), [](const LandedLoop& a, const LandedLoop& b) {
        const double sa = landedScore(a.landing), sb = landedScore(b.landing);
        if (std::abs(sa - sb) > 0.05) return sa < sb;
        return a.landing.paddingFrames < b.landing.paddingFrames;
    });
    return landed;
}

std::vector<LandedLoop> findLandedLoops(const GameSamples& samples, const LoopSearchOptions& search,
                                        const LandingOptions& landing) {
    LoopSearchOptions wider = search;
    wider.count = search.count + 3;
    std::vector<LandedLoop> landed = landLoops(samples, findLoops(samples, wider), landing);
    if (landed.size() > static_cast<std::size_t>(std::max(0, search.count)))
        landed.resize(static_cast<std::size_t>(std::max(0, search.count)));
    return landed;
}

PaddingChoice writeLandedCopy(const std::string& gameWavPath, const GameSamples& samples,
                              const Landing& landing, const std::string& outputPath) {
    const PaddingChoice choice = choosePaddingFill(samples, landing.frames.lengthFrames());
    const std::vector<std::int16_t> padding =
        paddingSamples(samples, landing.frames.lengthFrames(), landing.paddingFrames, choice.fill);
    writePaddedGameWav(gameWavPath, outputPath, landing.paddingFrames, padding);
    return choice;
}

std::string describeSeam(const SeamQuality& seam) {
    if (seam.step > 3) return "rough";
    if (seam.splice < 3) return "seamless";
    if (seam.splice < 5) return "smooth";
    if (seam.splice < 8) return "audible";
    return "rough";
}

}  // namespace corvan::loop
