#pragma once

#include <array>
#include <string>
#include <vector>

namespace corvan::loop {

inline constexpr int kChroma = 12;
inline constexpr int kBands = 16;
// The music compared on either side of a point: blocks of half a second, three seconds
// before it (what leads up to the jump) and one after (what the jump leads into).
inline constexpr double kBlockSeconds = 0.5;
inline constexpr int kBlocksBefore = 6;
inline constexpr int kBlocksAfter = 2;
inline constexpr int kBlocks = kBlocksBefore + kBlocksAfter;
// Samples either side of the point whose waveform is compared (12 ms at 11,025 Hz).
inline constexpr int kSnippetHalf = 128;
// The rhythm: how sharply the level rises in each step of kOnsetStep samples (12 ms at
// 11,025 Hz), smeared over two steps either side, two seconds before the point and one
// after. Notes a hundredth of a second apart still line up; three hundredths, hardly.
inline constexpr int kOnsetStep = 128;
inline constexpr double kRhythmBeforeSeconds = 2.0;
inline constexpr double kRhythmAfterSeconds = 1.0;

// What the music sounds like around one point of a recording.
struct PositionFeatures {
    struct Block {
        std::array<float, kChroma> chroma{};  // unit length; all 0 in silence
        std::array<float, kBands> bandsDb{};  // dB to full scale, floored at -90
        float levelDb = -90;
    };
    std::array<Block, kBlocks> blocks{};  // earliest first; the point lies after block 5
    // The waveform from kSnippetHalf before the point to as many after it, mean removed and
    // scaled to unit length (all 0 in silence).
    std::vector<float> snippet;
    // The onsets around the point, mean removed and scaled to unit length; all 0 when
    // nothing in them starts sharply enough to be heard as a beat.
    std::vector<float> rhythm;
};

// How alike the music is at the jump's two ends: similarities 0 to 1, distances in dB.
struct PairScore {
    double chroma = 0;      // mean cosine similarity of the blocks' chroma
    double spectrumDb = 0;  // mean difference of the band levels
    double loudnessDb = 0;  // mean difference of the block levels
    double rhythm = 0;      // correlation of the onsets, -1 to 1; 1 when neither has any
    double waveform = 0;    // correlation of the two snippets, -1 to 1
    double total = 0;       // 0 (a jump into other music) to 1 (seamless)
};

// Scores the jump from the loop's end to its start: seamless when what leads up to the end
// and follows it is what leads up to the start and follows it, down to the waveform at the
// points themselves. Weights: chroma 0.25, spectrum 0.2, loudness 0.1, rhythm 0.2 and
// waveform 0.25; a correlation below 0 counts as 0.
PairScore scorePair(const PositionFeatures& atEnd, const PositionFeatures& atStart);

// The total score in a user's words: "seamless", "very smooth", "smooth", "noticeable" or
// "audible jump".
std::string describeScore(double total);

}  // namespace corvan::loop
