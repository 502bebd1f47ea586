#include "soundtrack/TrackRestorer.h"

#include "engine/Backup.h"
#include "engine/ImcHeaderReader.h"
#include "platform/FileCopy.h"
#include "platform/PathNames.h"

namespace corvan::soundtrack {

using Outcome = RestoreResult::Outcome;

namespace {

bool isRegular(platform::FileSystem& files, const std::string& path) {
    return files.status(path).kind == platform::FileKind::Regular;
}

}  // namespace

std::error_code TrackRestorer::setAside(const std::string& track, SetAside& aside) {
    if (!trash_.moveToTrash(track, aside.path)) {
        aside.inTrash = true;
        aside.where = "went to the trash";
        return {};
    }
    // No trash takes it: it stays beside the track under a name of its own.
    std::error_code error;
    for (int n = 1; n < 1000; ++n) {
        aside.path = track + ".replaced" + (n == 1 ? "" : "." + std::to_string(n));
        if (files_.fileExists(aside.path)) continue;
        error = files_.renameFile(track, aside.path);
        if (!error) {
            aside.where = "stays beside it as " + platform::fileNameOf(aside.path);
            return {};
        }
        break;
    }
    return error ? error : std::make_error_code(std::errc::file_exists);
}

RestoreResult TrackRestorer::restore(const std::string& track) {
    const std::string name = platform::fileNameOf(track);
    const bool present = isRegular(files_, track);
    if (present && !isCorvanTrack(files_, track))
        return {Outcome::NothingToRestore, name + ": it is the game's own track already"};

    std::string original;
    const std::optional<KeptOriginal> kept = store_.find(track);
    const std::string backup = backupPathOf(track);
    if (kept && store_.intact(*kept)) {
        original = kept->copy;
    } else if (isRegular(files_, backup) && !isCorvanTrack(files_, backup)) {
        original = backup;
    } else if (kept) {
        return {Outcome::Failed, name + ": the kept copy of the game's track is damaged (" +
                                     kept->copy + "), and its backup is no original either"};
    } else {
        return {Outcome::NothingToRestore, name + ": no original of it is kept"};
    }

    // The original is copied in beside the track first, so the swap itself is two renames.
    const std::string staging =
        platform::joinPath(platform::parentOf(track).empty() ? "." : platform::parentOf(track),
                           "." + name + ".corvan-restore");
    if (const std::error_code error = platform::copyFile(original, staging))
        return {Outcome::Failed, name + ": cannot copy the original in: " + error.message()};
    SetAside aside;
    if (present) {
        if (const std::error_code error = setAside(track, aside)) {
            files_.removeFile(staging);
            return {Outcome::Failed,
                    name + ": cannot move the Corvan track away: " + error.message()};
        }
    }
    if (const std::error_code error = files_.renameFile(staging, track)) {
        files_.removeFile(staging);
        if (present && aside.inTrash) trash_.putBack(aside.path, track);
        if (present && !aside.inTrash) files_.renameFile(aside.path, track);
        return {Outcome::Failed, name + ": cannot put the original in place: " + error.message()};
    }
    std::string message = name + ": the game's track is back";
    if (present) message += "; the Corvan track " + aside.where;
    return {Outcome::Restored, message};
}

}  // namespace corvan::soundtrack
