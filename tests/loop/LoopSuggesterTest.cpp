// Loop suggestions on music with a known repetition, and the pair score on made-up features.

#include "audio/Signals.h"
#include "loop/LoopScore.h"
#include "loop/LoopSuggester.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <numbers>

namespace corvan::loop {
namespace {

constexpr double kNote = 0.4;  // seconds
constexpr double kPhrase = 6 * kNote;
constexpr int kRepeats = 7;
constexpr double kIntro = 3.0, kOutro = 3.0;
constexpr double kTotal = kIntro + kRepeats * kPhrase + kOutro;

// A note with a few harmonics, a quick attack and an exponential decay.
double note(double hz, double t) {
    if (t < 0 || t >= kNote) return 0;
    const double envelope = std::min(1.0, t / 0.01) * std::exp(-4 * t);
    double sum = 0;
    for (int h = 1; h <= 3; ++h) sum += std::sin(2 * std::numbers::pi * hz * h * t) / h;
    return 0.3 * envelope * sum;
}

// An intro, a phrase of six notes played kRepeats times and an outro, in other notes, with
// noise 40 dB down.
double music(std::int64_t frame, int) {
    static const double intro[] = {196, 233, 311, 370, 415, 466, 523, 587};
    static const double phrase[] = {220, 330, 262, 392, 294, 440};
    static const double outro[] = {349, 247, 185, 554, 208, 277, 622, 156};
    const double t = static_cast<double>(frame) / 22050;
    double value = 0;
    if (t < kIntro) {
        value = note(intro[static_cast<int>(t / kNote)], std::fmod(t, kNote));
    } else if (t < kIntro + kRepeats * kPhrase) {
        const double inPhrase = std::fmod(t - kIntro, kPhrase);
        value = note(phrase[static_cast<int>(inPhrase / kNote)], std::fmod(inPhrase, kNote));
    } else {
        const double after = t - kIntro - kRepeats * kPhrase;
        value = note(outro[static_cast<int>(after / kNote)], std::fmod(after, kNote));
    }
    const std::uint32_t x = static_cast<std::uint32_t>(frame) * 2654435761u;
    return value + 0.01 * (static_cast<double>(x >> 8) / (1 << 24) * 2 - 1);
}

// How far `seconds` is from a whole number of phrases.
double offWholePhrases(double seconds) {
    return std::abs(seconds - kPhrase * std::round(seconds / kPhrase));
}

TEST(LoopSuggester, FindsWholePhrasesAndRanksThemFirst) {
    test::TempDir dir;
    const auto frames = static_cast<std::int64_t>(kTotal * 22050);
    ASSERT_TRUE(test::writeSound(dir.path("music.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 2,
                                 frames, music));
    const MusicFeatures features = MusicFeatures::fromFile(dir.path("music.wav"));
    ASSERT_EQ(audio::gameFramesFor(features.sourceFrames(), features.sourceRate()), frames);
    const std::vector<LoopSuggestion> top = suggestLoops(features, frames, {.count = 3});
    ASSERT_EQ(top.size(), 3u);

    const double gridSeconds = framesToSeconds(frames) / 1000;
    const LoopSuggestion& best = top[0];
    EXPECT_LE(offWholePhrases(best.lengthSeconds), gridSeconds)
        << best.lengthSeconds << " s against phrases of " << kPhrase << " s";
    EXPECT_GE(best.lengthSeconds, kTotal / 3);
    EXPECT_EQ(best.frames,
              loopFramesFor(audio::gameWavBytes(frames), best.startSlider, best.endSlider));
    EXPECT_EQ(best.startPermille, imc::permilleForSlider(best.startSlider));
    EXPECT_GE(best.score.total, top[1].score.total);
    EXPECT_GE(top[1].score.total, top[2].score.total);
    EXPECT_EQ(best.words, describeScore(best.score.total));

    // Every loop the sliders can give whose length misses whole phrases by more than a
    // tenth of a note scores lower.
    const std::int64_t bytes = audio::gameWavBytes(frames);
    std::vector<PositionFeatures> ends;
    for (int e = 0; e <= 1000; ++e) {
        ends.push_back(features.at(framesToSeconds(loopFramesForPermille(bytes, e, e).endFrame)));
    }
    double bestOther = -1;
    for (int s = 0; s <= 1000; ++s) {
        const LoopFrames start = loopFramesForPermille(bytes, s, s);
        const PositionFeatures atStart = features.at(framesToSeconds(start.startFrame));
        for (int e = s + 1; e <= 1000; ++e) {
            const LoopFrames loop = loopFramesForPermille(bytes, s, e);
            const double length = framesToSeconds(loop.lengthFrames());
            if (loop.endFrame > frames || length < kTotal / 3) continue;
            if (offWholePhrases(length) <= gridSeconds) continue;
            bestOther = std::max(bestOther, scorePair(ends[e], atStart).total);
        }
    }
    EXPECT_GT(best.score.total, bestOther + 0.05);
    std::printf("best %.3f s (%s, %.3f), best other length %.3f, grid %.1f ms\n",
                best.lengthSeconds, best.words.c_str(), best.score.total, bestOther,
                gridSeconds * 1000);
}

TEST(LoopSuggester, HonoursTheMinimumLength) {
    std::vector<float> mono(11025 * 20);
    for (std::size_t i = 0; i < mono.size(); ++i) mono[i] = static_cast<float>(music(2 * i, 0));
    const MusicFeatures features = MusicFeatures::fromSamples(std::move(mono), 11025);
    for (const double minimum : {5.0, 9.0, 15.0}) {
        const auto loops =
            suggestLoops(features, 22050 * 20, {.count = 20, .minLengthSeconds = minimum});
        ASSERT_FALSE(loops.empty());
        for (const LoopSuggestion& loop : loops) {
            EXPECT_GE(loop.lengthSeconds, std::max(minimum, 20.0 / 3) - 1e-9) << minimum;
            EXPECT_LE(loop.frames.endFrame, 22050 * 20);
        }
    }
    const auto whole = suggestLoops(features, 22050 * 20, {.count = 10, .wholeFramesOnly = true});
    ASSERT_EQ(whole.size(), 10u);
    for (const LoopSuggestion& loop : whole) EXPECT_TRUE(loop.frames.onWholeFrames());
    // A search told to stop returns nothing at once; it asks at every start position.
    for (const int stopAfter : {0, 400, -1}) {
        int asked = 0;
        SuggestOptions options;
        options.shouldCancel = [&] { return ++asked > stopAfter && stopAfter >= 0; };
        EXPECT_EQ(suggestLoops(features, 22050 * 20, options).empty(), stopAfter >= 0);
        EXPECT_TRUE(stopAfter >= 0 ? asked == stopAfter + 1 : asked >= 1000) << asked;
    }
    // No loop ends at or before its start, even among all the loops of a very short file.
    const SuggestOptions any{
        .count = 100000, .minLengthSeconds = 0, .minLengthShare = 0, .separationPermille = 0};
    for (const std::int64_t frames : {200, 250}) {
        for (const LoopSuggestion& loop : suggestLoops(features, frames, any))
            EXPECT_FALSE(loop.frames.degenerate()) << frames;
    }
}

// Unit length, mean removed.
std::vector<float> unit(std::vector<float> values) {
    double mean = 0, squares = 0;
    for (const float v : values) mean += v;
    mean /= static_cast<double>(values.size());
    for (float& v : values) squares += (v - mean) * (v - mean);
    for (float& v : values) v = static_cast<float>((v - mean) / std::sqrt(squares));
    return values;
}

// Made-up features: one pitch class, flat bands, a sine snippet at `phase` and a beat every
// 20 steps from step `beat` (none when negative).
PositionFeatures made(int pitchClass, float bandDb, float phase, int beat) {
    PositionFeatures f;
    for (auto& block : f.blocks) {
        block.chroma[pitchClass] = 1;
        block.bandsDb.fill(bandDb);
        block.levelDb = bandDb;
    }
    std::vector<float> snippet(2 * kSnippetHalf), rhythm(100, 0.0f);
    for (int i = 0; i < 2 * kSnippetHalf; ++i) snippet[i] = std::sin(0.3f * i + phase);
    f.snippet = unit(snippet);
    if (beat >= 0) {
        for (int i = beat; i < 100; i += 20) rhythm[i] = 1;
        f.rhythm = unit(rhythm);
    } else {
        f.rhythm = rhythm;
    }
    return f;
}

TEST(LoopScore, PartsOfTheScore) {
    const double rest = 0.25 + 0.2 + 0.1 + 0.2 + 0.25;
    const struct {
        PositionFeatures end, start;
        double chroma, spectrumDb, rhythm, waveform, total;
    } cases[] = {
        {made(0, -20, 0, 5), made(0, -20, 0, 5), 1, 0, 1, 1, rest},
        // other notes: chroma and nothing else
        {made(0, -20, 0, 5), made(7, -20, 0, 5), 0, 0, 1, 1, rest - 0.25},
        // 8 dB quieter
        {made(0, -20, 0, 5), made(0, -28, 0, 5), 1, 8, 1, 1,
         0.25 + 0.2 * std::exp(-2.0) + 0.1 * std::exp(-4.0) + 0.2 + 0.25},
        // the waveform in opposite phase counts as no match
        {made(0, -20, 0, 5), made(0, -20, std::numbers::pi, 5), 1, 0, 1, -1, rest - 0.25},
        // beats half a bar apart, or beats against none
        {made(0, -20, 0, 5), made(0, -20, 0, 15), 1, 0, -1.0 / 19, 1, rest - 0.2},
        {made(0, -20, 0, 5), made(0, -20, 0, -1), 1, 0, 0, 1, rest - 0.2},
        // no beats on either side: nothing to break
        {made(0, -20, 0, -1), made(0, -20, 0, -1), 1, 0, 1, 1, rest},
    };
    for (const auto& c : cases) {
        const PairScore score = scorePair(c.end, c.start);
        EXPECT_NEAR(score.chroma, c.chroma, 1e-6);
        EXPECT_NEAR(score.spectrumDb, c.spectrumDb, 1e-5);
        EXPECT_NEAR(score.rhythm, c.rhythm, 1e-5);
        EXPECT_NEAR(score.waveform, c.waveform, 1e-5);
        EXPECT_NEAR(score.total, c.total, 1e-5);
    }
}

TEST(LoopScore, Words) {
    const struct {
        double total;
        const char* words;
    } cases[] = {{0.95, "seamless"},
                 {0.85, "very smooth"},
                 {0.7, "smooth"},
                 {0.55, "noticeable"},
                 {0.2, "audible jump"}};
    for (const auto& c : cases) EXPECT_EQ(describeScore(c.total), c.words) << c.total;
}

}  // namespace
}  // namespace corvan::loop
