#include "GameReadyHint.h"

namespace corvan::ui {

std::optional<std::string> gameReadyHint(const std::string& path) {
    return gameReadyHint(audio::judgeGameReadiness(path));
}

std::optional<std::string> gameReadyHint(const audio::GameReadiness& readiness) {
    const std::optional<audio::AudioReport>& report = readiness.report;
    if (!report) {
        return "This is not a recording the game can play: it cannot be read as audio, and "
               "its bytes would go into the track as they are.";
    }
    if (report->gameReady) return std::nullopt;
    std::string text = "The game will not play this as it is:";
    for (const std::string& difference : report->differences) text += "\n- " + difference;
    text += "\nTools > Prepare Audio... makes a copy that it plays.";
    return text;
}

}  // namespace corvan::ui
