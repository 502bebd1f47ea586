#pragma once

#include <cstddef>
#include <memory>

namespace corvan::audio {

// The loudness of a recording by EBU R128 (libebur128): integrated loudness and true peak,
// fed block by block with interleaved float samples, 1.0 being full scale.
class LoudnessMeter {
public:
    LoudnessMeter(int channels, int sampleRate);  // throws std::bad_alloc when it cannot start
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    void add(const float* interleaved, std::size_t frames);
    // LUFS; -infinity for silence or anything shorter than one 400 ms block.
    double integratedLufs() const;
    // dBTP, the highest of the channels; -infinity for silence.
    double truePeakDb() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The gain that brings a track measured at `measuredLufs` with true peak `truePeakDb` to
// `targetLufs`, lowered where needed so that its true peak stays at or below `ceilingDb`.
struct LoudnessGain {
    double gainDb = 0;
    bool lowered = false;   // the true peak allowed less than the target asked for
    double resultLufs = 0;  // what the track measures once the gain is applied
};
LoudnessGain gainForLoudness(double measuredLufs, double truePeakDb, double targetLufs,
                             double ceilingDb = -1.0);

}  // namespace corvan::audio
