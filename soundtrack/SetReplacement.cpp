#include "soundtrack/SetReplacement.h"

#include "engine/Backup.h"
#include "platform/FileCopy.h"
#include "platform/PathNames.h"
#include "platform/ReadOnlyFile.h"

#include <nlohmann/json.hpp>

namespace corvan::soundtrack {

namespace {

using Json = nlohmann::ordered_json;

std::string describe(const std::string& path, const std::string& what, std::error_code error) {
    return path + ": cannot " + what + ": " + error.message();
}

bool plainName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

}  // namespace

std::string SetReplacement::path(const std::string& name) const {
    return platform::joinPath(folder_, name);
}

std::optional<std::string> SetReplacement::writeJournal(const std::vector<Step>& steps,
                                                        const char* phase) {
    Json tracks = Json::array();
    for (const Step& step : steps) {
        tracks.push_back(Json{{"target", platform::fileNameOf(step.target)},
                              {"staged", platform::fileNameOf(step.staged)},
                              {"aside", platform::fileNameOf(step.aside)}});
    }
    const Json journal{{"phase", phase}, {"tracks", tracks}};
    if (const std::error_code error = platform::writeFileWhole(
            path(kJournalName), journal.dump(2, ' ', false, Json::error_handler_t::replace) + "\n"))
        return describe(path(kJournalName), "write the journal", error);
    return std::nullopt;
}

std::optional<std::string> SetReplacement::apply(const std::vector<StagedTrack>& tracks,
                                                 OriginalsKeeper* keeper,
                                                 std::vector<std::string>& notKept) {
    if (const std::optional<std::string> earlier = recover()) return earlier;
    std::vector<Step> steps;
    const auto giveUp = [&](std::string reason) {
        if (const std::optional<std::string> undone = undo(steps)) reason += "; " + *undone;
        return reason;
    };
    for (const StagedTrack& track : tracks)
        steps.push_back({path(track.target), path(track.staged), {}});
    for (Step& step : steps) {
        if (!files_.fileExists(step.target))
            return giveUp(step.target + ": there is no such track in the music folder");
        // A placeholder reserves the older backup's place aside before the journal names it.
        if (files_.fileExists(backupPathOf(step.target))) {
            if (const std::error_code error =
                    files_.makeUniqueFile(backupPathOf(step.target) + ".aside-", step.aside))
                return giveUp(describe(step.target, "set its older backup aside", error));
        }
    }
    if (const std::optional<std::string> error = writeJournal(steps, "placing"))
        return giveUp(*error);

    for (const Step& step : steps) {
        if (keeper != nullptr) {
            if (std::optional<std::string> warning = keeper->keepOriginal(step.target))
                notKept.push_back(std::move(*warning));
        }
        const std::string backup = backupPathOf(step.target);
        std::error_code error;
        if (!step.aside.empty()) error = files_.renameFile(backup, step.aside);
        if (!error) error = files_.renameFile(step.target, backup);
        if (!error) error = files_.renameFile(step.staged, step.target);
        if (error) return giveUp(describe(step.target, "put the new track in place", error));
        if (files_.stopRequested()) return giveUp("stopped");
    }
    if (const std::optional<std::string> error = writeJournal(steps, "finishing"))
        return giveUp(*error);
    return finish(steps);
}

std::optional<std::string> SetReplacement::undo(const std::vector<Step>& steps) {
    std::string problems;
    const auto note = [&](const std::string& what, std::error_code error) {
        if (error) problems += (problems.empty() ? "" : "; ") + describe(what, "undo", error);
    };
    for (const Step& step : steps) {
        const std::string backup = backupPathOf(step.target);
        const bool placed = !files_.fileExists(step.staged);
        if (!placed) note(step.staged, files_.removeFile(step.staged));
        // The track had its backup name when the new track is in place or the track is gone.
        if (placed || !files_.fileExists(step.target)) {
            if (files_.fileExists(backup)) note(backup, files_.renameFile(backup, step.target));
        }
        if (step.aside.empty()) continue;
        // The aside holds the older backup once the backup name is free; else it is still
        // the empty placeholder.
        if (files_.fileExists(backup)) {
            note(step.aside, files_.removeFile(step.aside));
        } else if (files_.fileExists(step.aside)) {
            note(step.aside, files_.renameFile(step.aside, backup));
        }
    }
    if (problems.empty() && files_.fileExists(path(kJournalName)))
        note(path(kJournalName), files_.removeFile(path(kJournalName)));
    if (problems.empty()) return std::nullopt;
    return "the journal " + path(kJournalName) + " is kept for the next run: " + problems;
}

std::optional<std::string> SetReplacement::finish(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        if (!step.aside.empty() && files_.fileExists(step.aside)) files_.removeFile(step.aside);
    }
    if (const std::error_code error = files_.removeFile(path(kJournalName)))
        return describe(path(kJournalName), "remove the journal", error);
    return std::nullopt;
}

std::optional<std::string> SetReplacement::recover() {
    std::string text;
    const std::string journalPath = path(kJournalName);
    if (!files_.fileExists(journalPath)) return std::nullopt;
    if (const std::error_code error = platform::readSmallFile(journalPath, 1 << 20, text))
        return describe(journalPath, "read the journal", error);
    const Json journal = Json::parse(text, nullptr, false);
    std::vector<Step> steps;
    const bool readable =
        journal.is_object() && journal["phase"].is_string() && journal["tracks"].is_array();
    for (const Json& track : readable ? journal["tracks"] : Json::array()) {
        const bool named = track.is_object() && track["target"].is_string() &&
                           track["staged"].is_string() && track["aside"].is_string();
        // The journal lies in a folder others may write to: it names files of that folder only.
        if (!named || !plainName(track["target"]) || !plainName(track["staged"]) ||
            (!track["aside"].get<std::string>().empty() && !plainName(track["aside"])))
            return journalPath + ": the journal is damaged; the folder is left as it is";
        const std::string aside = track["aside"];
        steps.push_back(
            {path(track["target"]), path(track["staged"]), aside.empty() ? "" : path(aside)});
    }
    if (!readable) return journalPath + ": the journal is damaged; the folder is left as it is";
    return journal["phase"] == "finishing" ? finish(steps) : undo(steps);
}

}  // namespace corvan::soundtrack
