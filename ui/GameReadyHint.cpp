#include "GameReadyHint.h"

#include "audio/AudioCheck.h"

namespace corvan::ui {

std::optional<std::string> gameReadyHint(const std::string& path) {
    audio::AudioReport report;
    try {
        report = audio::checkAudio(path);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (report.gameReady) return std::nullopt;
    std::string text = "The game will not play this as it is:";
    for (const std::string& difference : report.differences) text += "\n- " + difference;
    text += "\nTools > Prepare Audio... makes a copy that it plays.";
    return text;
}

}  // namespace corvan::ui
