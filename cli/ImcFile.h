#pragma once

#include "engine/ImcHeaderReader.h"
#include "engine/ImcInspector.h"
#include "loop/LoopPosition.h"
#include "platform/FileSystem.h"

#include <optional>
#include <string>
#include <system_error>

namespace corvan::cli {

// The loop of a well-formed looped header, in frames of the WAV behind it, counted from the
// samples of a plain 44-byte WAV header; nothing for anything else.
std::optional<loop::LoopFrames> imcLoopFrames(const ImcInspection& inspection);

// "loop start time: 0:01.250 (WAV byte 110294)" and the same for the end and the length, one
// line each; empty when the header gives no loop.
std::string formatLoopTimes(const ImcInspection& inspection);
// The same added to `object` as loopStartSeconds, loopEndSeconds, loopLengthSeconds,
// loopStartWavByte, loopEndWavByte and loopLengthBytes; nothing when there is no loop.
void addLoopTimes(Json& object, const ImcInspection& inspection);

// Copies the WAV behind the header of the IMC file at `imcPath` to `wavPath`, an existing
// file that is emptied first.
std::error_code copyImcWav(platform::FileSystem& files, const std::string& imcPath,
                           const ImcInspection& inspection, const std::string& wavPath);

}  // namespace corvan::cli
