#pragma once

#include <cstddef>
#include <vector>

namespace corvan::audio {

// Turns frames of any channel count into stereo frames, scaled by a gain.
//
// Mono stays one channel here, only scaled: it is converted once and doubled afterwards,
// so that both sides get the same samples, dither included. Stereo passes through. More channels
// are mixed down with the ITU-R BS.775 coefficients: each left channel (front, side or rear) goes
// to the left output, each right one to the right output, the centre and a single rear centre to
// both at -3 dB (0.7071), surrounds at -3 dB on their side, and the LFE channel is left
// out. The result is not scaled down, so a loud surround mix can clip; the clipping is
// counted at the 16-bit output and a gain below 0 dB avoids it.
class StereoMixer {
public:
    // `channelMap` holds libsndfile's SF_CHANNEL_MAP_* for each channel (libsndfile knows it
    // for WAVE_FORMAT_EXTENSIBLE files). When it is empty, the usual layout of that many
    // channels is assumed: L R C; quad L R Ls Rs; 5.0 L R C Ls Rs; 5.1 L R C LFE Ls Rs;
    // 6.1 L R C LFE Cs Ls Rs; 7.1 L R C LFE Lrear Rrear Lside Rside.
    StereoMixer(int channels, const std::vector<int>& channelMap, double gainDb);

    // 1 for a mono source, else 2.
    int outputChannels() const { return channels_ == 1 ? 1 : 2; }
    // Mixes `frames` interleaved frames of `in` into `out`, outputChannels() per frame.
    void mix(const float* in, std::size_t frames, float* out) const;

    // The share of each input channel in the left and right output, before the gain.
    const std::vector<float>& leftWeights() const { return left_; }
    const std::vector<float>& rightWeights() const { return right_; }

private:
    int channels_;
    float gain_;
    std::vector<float> left_;
    std::vector<float> right_;
};

}  // namespace corvan::audio
