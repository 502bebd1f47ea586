#include "WaveformEnvelope.h"

#include "audio/AudioReader.h"

#include <algorithm>

namespace corvan::ui {

WaveformEnvelope WaveformEnvelope::of(const std::string& path, int columns,
                                      const std::function<bool()>& cancel) {
    const std::unique_ptr<audio::AudioReader> file = audio::openAudio(path);
    const int channels = file->format().channels;
    WaveformEnvelope envelope;
    envelope.frames = file->format().frames;
    if (envelope.frames <= 0 || columns <= 0) return envelope;
    // Short recordings get one column per frame at most.
    const auto count = static_cast<std::size_t>(std::min<std::int64_t>(columns, envelope.frames));
    envelope.low.assign(count, 0.0f);
    envelope.high.assign(count, 0.0f);
    std::vector<bool> seen(count, false);

    constexpr std::size_t kBlockFrames = 65536;
    std::vector<float> block(kBlockFrames * static_cast<std::size_t>(channels));
    std::int64_t frame = 0;
    while (std::size_t got = file->read(block.data(), kBlockFrames)) {
        if (cancel && cancel()) break;
        for (std::size_t i = 0; i < got; ++i, ++frame) {
            // The frame count in the header may be short of what the file holds.
            const auto column = std::min<std::size_t>(
                count - 1, static_cast<std::size_t>(frame * static_cast<std::int64_t>(count) /
                                                    envelope.frames));
            for (int c = 0; c < channels; ++c) {
                const float sample =
                    block[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)];
                if (!seen[column]) {
                    envelope.low[column] = envelope.high[column] = sample;
                    seen[column] = true;
                } else {
                    envelope.low[column] = std::min(envelope.low[column], sample);
                    envelope.high[column] = std::max(envelope.high[column], sample);
                }
            }
        }
    }
    return envelope;
}

}  // namespace corvan::ui
