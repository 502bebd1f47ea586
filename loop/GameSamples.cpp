#include "loop/GameSamples.h"

#include "audio/AudioReader.h"

namespace corvan::loop {

GameSamples GameSamples::read(const std::string& gameWavPath) {
    const std::unique_ptr<audio::AudioReader> reader = audio::openGameWav(gameWavPath);
    GameSamples samples;
    samples.rate = reader->format().sampleRate;
    if (reader->format().frames > 0)
        samples.interleaved.reserve(std::size_t(reader->format().frames) * 2);
    std::vector<std::int16_t> block(2 * 65536);
    while (const std::size_t got = reader->read(block.data(), block.size() / 2))
        samples.interleaved.insert(samples.interleaved.end(), block.begin(),
                                   block.begin() + 2 * got);
    return samples;
}

}  // namespace corvan::loop
