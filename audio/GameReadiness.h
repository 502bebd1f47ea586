#pragma once

#include "audio/AudioCheck.h"

#include <optional>
#include <string>
#include <vector>

namespace corvan::audio {

// Whether the game can play a file's bytes as they are, as `convert` and the main window's
// file list tell the user before such bytes are converted.
struct GameReadiness {
    enum class Verdict {
        Ready,          // a game-ready WAV
        NotReady,       // a recording, but not as the game plays it: `reasons` says how
        NotARecording,  // nothing this program reads as a recording: `reasons` holds why
        NotAFile,       // missing, a folder or a special file, which is never opened
    };
    Verdict verdict = Verdict::NotAFile;
    std::vector<std::string> reasons;
    // What the check found, for a file that could be read as a recording.
    std::optional<AudioReport> report;

    // "is not ready for the game (REASONS)" or "is not a recording the game can play
    // (REASON)"; empty for Ready and NotAFile. Follows the file's name in a sentence.
    std::string describe() const;
};

// Reads the header of a regular file only: a FIFO would wait for ever for its writer.
GameReadiness judgeGameReadiness(const std::string& path);

}  // namespace corvan::audio
