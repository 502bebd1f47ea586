#include "ImcFile.h"

#include "audio/Wording.h"
#include "engine/ImcFormat.h"
#include "platform/File.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace corvan::cli {

namespace {

// Header offsets count from the WAV's byte kHeaderToWavOffset, frames from its samples.
std::int64_t wavByte(std::int32_t headerOffset) {
    return std::int64_t{headerOffset} - imc::kHeaderToWavOffset;
}

}  // namespace

std::optional<loop::LoopFrames> imcLoopFrames(const ImcInspection& inspection) {
    if (!inspection.wellFormed || !inspection.loopStart || !inspection.loopEnd) {
        return std::nullopt;
    }
    return loop::loopFramesForHeader({*inspection.loopStart, *inspection.loopEnd});
}

std::string formatLoopTimes(const ImcInspection& inspection) {
    const auto loop = imcLoopFrames(inspection);
    if (!loop) return {};
    const std::int64_t start = wavByte(*inspection.loopStart);
    const std::int64_t end = wavByte(*inspection.loopEnd);
    return "loop start time: " + audio::formatTime(loop::framesToSeconds(loop->startFrame)) +
           " (WAV byte " + std::to_string(start) + ")\n" +
           "loop end time: " + audio::formatTime(loop::framesToSeconds(loop->endFrame)) +
           " (WAV byte " + std::to_string(end) + ")\n" +
           "loop length: " + audio::formatTime(loop::framesToSeconds(loop->lengthFrames())) + " (" +
           std::to_string(end - start) + " bytes)\n";
}

void addLoopTimes(Json& object, const ImcInspection& inspection) {
    const auto loop = imcLoopFrames(inspection);
    if (!loop) return;
    const std::int64_t start = wavByte(*inspection.loopStart);
    const std::int64_t end = wavByte(*inspection.loopEnd);
    object["loopStartSeconds"] = jsonNumber(loop::framesToSeconds(loop->startFrame));
    object["loopEndSeconds"] = jsonNumber(loop::framesToSeconds(loop->endFrame));
    object["loopLengthSeconds"] = jsonNumber(loop::framesToSeconds(loop->lengthFrames()));
    object["loopStartWavByte"] = start;
    object["loopEndWavByte"] = end;
    object["loopLengthBytes"] = end - start;
}

std::error_code copyImcWav(platform::FileSystem& files, const std::string& imcPath,
                           const ImcInspection& inspection, const std::string& wavPath) {
    const auto failed = [] { return std::make_error_code(std::errc::io_error); };
    platform::File from(files, imcPath, platform::OpenMode::ReadExisting);
    platform::File to(files, wavPath, platform::OpenMode::CreateOrTruncate);
    if (!from.isOpen() || !to.isOpen()) return failed();
    std::vector<std::uint8_t> block(1 << 16);
    std::uint64_t skip = inspection.headerLength;
    while (true) {
        const auto got = readUpTo(from, block.data(), static_cast<std::uint32_t>(block.size()));
        if (!got) return failed();
        if (*got == 0) break;
        const std::uint32_t dropped =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(skip, *got));
        skip -= dropped;
        if (*got > dropped) {
            const std::uint32_t count = *got - dropped;
            const platform::IoResult written = to.write(block.data() + dropped, count);
            if (!written.ok || written.count != count) return failed();
        }
    }
    return to.close() ? std::error_code{} : failed();
}

}  // namespace corvan::cli
