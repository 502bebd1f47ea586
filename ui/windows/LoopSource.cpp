#include "LoopSource.h"

#include "audio/AudioCheck.h"
#include "audio/AudioPreparer.h"
#include "platform/FileSize.h"

#include <system_error>

namespace corvan::ui {

loop::LoopFrames LoopSource::loopFor(int startSlider, int endSlider) const {
    return loop::loopFramesFor(wavBytes, startSlider, endSlider);
}

std::optional<LoopSource> loopSourceFor(const std::string& path) {
    try {
        return loopSourceFor(path, audio::checkAudio(path));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<LoopSource> loopSourceFor(const std::string& path, const audio::AudioReport& report) {
    if (report.frames < 0) return std::nullopt;  // no loop can be placed in an unknown length
    LoopSource source;
    source.path = path;
    source.gameReady = report.gameReady;
    if (report.gameReady) {
        // The header counts every byte of the file, trailing chunks included.
        const std::optional<std::uint64_t> bytes = platform::fileSize(path);
        if (!bytes) return std::nullopt;
        source.wavBytes = static_cast<std::int64_t>(*bytes);
        source.frames = report.frames;
    } else {
        source.frames = audio::gameFramesFor(report.frames, report.sampleRate);
        source.wavBytes = audio::gameWavBytes(source.frames);
    }
    return source;
}

}  // namespace corvan::ui
