#include "audio/GameReadiness.h"

#include "audio/AudioCheck.h"
#include "audio/AudioError.h"
#include "platform/FileIdentity.h"

namespace corvan::audio {

std::string GameReadiness::describe() const {
    std::string joined;
    for (const std::string& reason : reasons) joined += (joined.empty() ? "" : "; ") + reason;
    switch (verdict) {
        case Verdict::NotReady:
            return "is not ready for the game (" + joined + ")";
        case Verdict::NotARecording:
            return "is not a recording the game can play (" + joined + ")";
        case Verdict::Ready:
        case Verdict::NotAFile:
            break;
    }
    return {};
}

GameReadiness judgeGameReadiness(const std::string& path) {
    if (platform::kindOf(path) != platform::FileKind::Regular) return {};
    try {
        const AudioReport report = checkAudio(path);
        if (report.gameReady) return {GameReadiness::Verdict::Ready, {}, report};
        return {GameReadiness::Verdict::NotReady, report.differences, report};
    } catch (const AudioError& error) {
        std::string reason = error.reason();  // the reader's words, in brackets without their stop
        if (!reason.empty() && reason.back() == '.') reason.pop_back();
        return {GameReadiness::Verdict::NotARecording, {reason}, std::nullopt};
    }
}

}  // namespace corvan::audio
