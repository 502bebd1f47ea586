#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvan::test {

// Writes `frames` frames with libsndfile; `sample(frame, channel)` gives each value,
// 1.0 being full scale. Returns false when libsndfile cannot write this format.
bool writeSound(const std::string& path, int format, int rate, int channels, std::int64_t frames,
                const std::function<double(std::int64_t, int)>& sample);
// A sine of `frequency` Hz at `dbfs` in every channel.
bool writeSine(const std::string& path, int format, int rate, int channels, double seconds,
               double frequency, double dbfs);

// The samples of a file as 16-bit values, interleaved, read with libsndfile.
struct Pcm16 {
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;
    std::int64_t frames() const { return static_cast<std::int64_t>(samples.size()) / channels; }
    // One channel from `start`, `count` frames, as doubles in 16-bit steps.
    std::vector<double> channel(int which, std::int64_t start, std::int64_t count) const;
};
Pcm16 readPcm16(const std::string& path);

// A Kaiser-windowed (beta 20, side lobes far below 16-bit noise) spectrum of `samples`.
class Spectrum {
public:
    Spectrum(const std::vector<double>& samples, int rate);
    // The amplitude of a tone near `frequency`, in the samples' units, from the power of
    // the bins around it.
    double amplitudeAt(double frequency) const;
    // Everything but DC and the tone at `frequency`, relative to that tone, in dB.
    double thdPlusNoiseDb(double frequency) const;

private:
    double lobePower(double frequency) const;
    int rate_;
    double windowPower_;         // sum of the window's squares
    std::vector<double> power_;  // |X|^2 of each bin
};

double toDb(double ratio);

}  // namespace corvan::test
