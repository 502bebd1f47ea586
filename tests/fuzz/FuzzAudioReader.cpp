// Any bytes through the recording reader (libsndfile or FFmpeg, as the content decides):
// they are read to their end or refused with an AudioError, never a crash or a hang.

#include "audio/AudioError.h"
#include "audio/AudioReader.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto reader = corvan::audio::openAudioBytes(data, size, "fuzzed");
        const auto& format = reader->format();
        if (format.channels <= 0 || format.sampleRate <= 0) std::abort();
        std::vector<float> block(1024 * static_cast<std::size_t>(format.channels));
        // A bound on the frames a small input may expand to keeps each run short.
        std::int64_t frames = 0;
        while (frames < 20'000'000) {
            const std::size_t got = reader->read(block.data(), 1024);
            if (got == 0) break;
            frames += static_cast<std::int64_t>(got);
        }
    } catch (const corvan::audio::AudioError&) {
        // a refusal is the expected end for damaged bytes
    }
    return 0;
}
