#include "SoundtrackCommands.h"

#include "audio/Wording.h"
#include "engine/JsonText.h"
#include "loop/LandedCopy.h"
#include "loop/LoopPosition.h"
#include "platform/PathNames.h"
#include "platform/PosixDirectories.h"
#include "platform/Trash.h"
#include "soundtrack/MusicFolderFinder.h"
#include "soundtrack/OriginalsStore.h"
#include "soundtrack/PackApplier.h"
#include "soundtrack/SetReplacement.h"
#include "soundtrack/TrackRestorer.h"
#include "soundtrack/TrackStatus.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace corvan::cli {

namespace {

using soundtrack::RestoreResult;

// The tracks of a music folder: its .imc files, in any case, sorted by name.
std::vector<std::string> tracksIn(const std::string& folder, std::string& problem) {
    platform::PosixDirectories directories;
    std::vector<platform::DirectoryEntry> entries;
    if (const std::error_code error = directories.list(folder, entries)) {
        problem = folder + ": " + error.message();
        return {};
    }
    std::vector<std::string> tracks;
    for (const platform::DirectoryEntry& entry : entries) {
        if (entry.kind == platform::EntryKind::RegularFile &&
            platform::matchesPattern(entry.name, "*.imc"))
            tracks.push_back(platform::joinPath(folder, entry.name));
    }
    std::sort(tracks.begin(), tracks.end());
    return tracks;
}

soundtrack::OriginalsStore storeIn(const SoundtrackPlaces& places) {
    // Without a data folder the store lies nowhere and holds nothing.
    return soundtrack::OriginalsStore(places.dataHome.empty()
                                          ? std::string()
                                          : soundtrack::OriginalsStore::rootIn(places.dataHome));
}

}  // namespace

int restoreTracks(const std::vector<std::string>& tracks, const std::string& allFolder,
                  platform::FileSystem& files, const SoundtrackPlaces& places, std::ostream& out,
                  std::ostream& err) {
    std::vector<std::string> asked = tracks;
    if (!allFolder.empty()) {
        std::string problem;
        asked = tracksIn(allFolder, problem);
        if (!problem.empty()) {
            err << "corvan-cli: " << problem << '\n';
            return 1;
        }
    }
    // A set that a killed run left half in place is finished or undone first.
    std::vector<std::string> folders;
    for (const std::string& track : asked) {
        const std::string folder =
            platform::parentOf(track).empty() ? "." : platform::parentOf(track);
        if (std::find(folders.begin(), folders.end(), folder) != folders.end()) continue;
        folders.push_back(folder);
        if (const auto problem = soundtrack::SetReplacement(files, folder).recover()) {
            err << "corvan-cli: " << *problem << '\n';
            return 1;
        }
    }
    const soundtrack::OriginalsStore store = storeIn(places);
    platform::FreedesktopTrash trash(places.dataHome);
    soundtrack::TrackRestorer restorer(files, store, trash);
    int restored = 0;
    bool failed = false;
    for (const std::string& track : asked) {
        const RestoreResult result = restorer.restore(track);
        if (result.outcome == RestoreResult::Outcome::Restored) {
            out << result.message << '\n';
            ++restored;
        } else if (result.outcome == RestoreResult::Outcome::Failed || allFolder.empty()) {
            // With --all a track that is the game's own is simply left alone.
            err << "corvan-cli: " << result.message << '\n';
            failed = true;
        }
    }
    if (!allFolder.empty() && restored == 0 && !failed) {
        err << "corvan-cli: " << allFolder << ": no track of it was replaced\n";
        return 1;
    }
    return failed ? 1 : 0;
}

int findMusicFolders(const SoundtrackPlaces& places, std::ostream& out, std::ostream& err) {
    platform::PosixDirectories directories;
    soundtrack::SearchPlaces search;
    search.home = places.home;
    search.winePrefix = places.winePrefix;
    search.dataHome = places.dataHome;
    const std::vector<std::string> found = soundtrack::MusicFolderFinder(directories).find(search);
    for (const std::string& folder : found) out << folder << '\n';
    if (found.empty()) {
        err << "corvan-cli: no music folder of the game found (Steam, Proton, Wine, Heroic, "
               "Lutris)\n";
        return 1;
    }
    return 0;
}

int showTrackStatus(const std::string& folder, bool json, platform::FileSystem& files,
                    const SoundtrackPlaces& places, std::ostream& out, std::ostream& err) {
    std::error_code error;
    const std::vector<soundtrack::TrackStatus> tracks =
        soundtrack::readTrackStatus(files, folder, storeIn(places), error);
    if (error) {
        err << "corvan-cli: " << folder << ": " << error.message() << '\n';
        return 1;
    }
    const auto number = [](const std::optional<double>& value) {
        return value ? jsonNumber(*value) : Json(nullptr);
    };
    const auto kind = [](const soundtrack::TrackStatus& track) -> std::string {
        if (!track.kind) return {};
        return *track.kind == ImcVariant::Looped ? "looped" : "queued";
    };
    if (json) {
        Json list = Json::array();
        for (const auto& track : tracks) {
            list.push_back(Json{{"name", track.name},
                                {"state", soundtrack::stateName(track.state)},
                                {"kind", track.kind ? Json(kind(track)) : Json(nullptr)},
                                {"length_seconds", number(track.lengthSeconds)},
                                {"loop_start_seconds", number(track.loopStartSeconds)},
                                {"loop_end_seconds", number(track.loopEndSeconds)},
                                {"original_kept", track.originalKept},
                                {"backup_kept", track.backupKept}});
        }
        out << jsonText(Json{{"tracks", list}}) << '\n';
        return 0;
    }
    for (const auto& track : tracks) {
        out << track.name << "  " << soundtrack::stateName(track.state);
        if (track.kind) out << ", " << kind(track);
        if (track.lengthSeconds) out << ", " << audio::formatTime(*track.lengthSeconds);
        if (track.loopStartSeconds && track.loopEndSeconds) {
            out << ", loop " << audio::formatTime(*track.loopStartSeconds) << " to "
                << audio::formatTime(*track.loopEndSeconds);
        }
        if (track.originalKept) out << "; the game's track kept";
        if (track.backupKept) out << "; backup " << track.name << ".bak";
        out << '\n';
    }
    if (tracks.empty()) out << folder << ": no .imc track\n";
    return 0;
}

int applyPackTo(const std::string& packPath, const std::string& folder, bool dryRun,
                platform::FileSystem& files, const std::function<int()>& stopSignal,
                const SoundtrackPlaces& places, std::ostream& out, std::ostream& err) {
    soundtrack::MusicPack pack;
    try {
        pack = soundtrack::readMusicPack(packPath);
    } catch (const soundtrack::PackError& error) {
        err << "corvan-cli: " << error.what() << '\n';
        return 1;
    }
    std::string music = folder;
    if (music.empty()) {
        platform::PosixDirectories directories;
        soundtrack::SearchPlaces search{places.home, places.winePrefix, places.dataHome};
        const auto found = soundtrack::MusicFolderFinder(directories).find(search);
        if (found.size() != 1) {
            err << "corvan-cli: "
                << (found.empty() ? "no music folder of the game found; name it after the pack"
                                  : "several music folders found; name one after the pack:")
                << '\n';
            for (const std::string& one : found) err << "  " << one << '\n';
            return 2;
        }
        music = found.front();
    }
    std::string problem;
    const auto plan = soundtrack::planPack(pack, packPath, music, problem);
    if (!plan) {
        err << "corvan-cli: " << problem << '\n';
        return 1;
    }
    if (dryRun) {
        out << (pack.name.empty() ? packPath : pack.name) << " for " << music;
        if (pack.loudnessLufs)
            out << ", at " << jsonText(jsonNumber(*pack.loudnessLufs)) << " LUFS";
        out << ":\n";
        for (const auto& planned : *plan) {
            const auto& t = planned.track;
            out << "  " << planned.target << " <- " << t.recording << ": "
                << (t.kind == soundtrack::PackTrackKind::Looped ? "looped" : "queued");
            if (t.kind == soundtrack::PackTrackKind::Looped) {
                out << ", loop "
                    << (t.autoLoop ? std::string("found automatically")
                                   : audio::formatTime(t.loopStartSeconds) + " to " +
                                         audio::formatTime(t.loopEndSeconds));
            }
            out << ", gain " << jsonText(jsonNumber(t.gainDb)) << " dB\n";
        }
        out << "nothing was changed (--dry-run)\n";
        return 0;
    }
    const soundtrack::OriginalsStore store = storeIn(places);
    soundtrack::OriginalsStore keeper = soundtrack::OriginalsStore(
        places.dataHome.empty() ? std::string()
                                : soundtrack::OriginalsStore::rootIn(places.dataHome));
    soundtrack::ApplyOptions options;
    options.shouldStop = [&stopSignal] { return stopSignal && stopSignal() != 0; };
    const soundtrack::ApplyResult result = soundtrack::applyPack(
        files, pack, *plan, music, places.dataHome.empty() ? nullptr : &keeper, options);
    for (const std::string& warning : result.notKept)
        err << "corvan-cli: warning: " << warning << '\n';
    if (result.stopped) {
        const int signal = stopSignal ? stopSignal() : 0;
        err << "corvan-cli: stopped; every track of " << music << " is as it was\n";
        return signal != 0 ? 128 + signal : 1;
    }
    if (result.error) {
        err << "corvan-cli: " << packPath << ": " << *result.error << "; every track of " << music
            << " is as it was\n";
        return 1;
    }
    for (const auto& track : result.tracks) {
        out << track.name << ": ";
        if (track.loop) {
            out << "looped "
                << audio::formatTime(loop::framesToSeconds(track.loop->frames.startFrame)) << " to "
                << audio::formatTime(loop::framesToSeconds(track.loop->frames.endFrame)) << " ("
                << loop::describeSeam(track.loop->seam) << ")";
        } else {
            out << "queued";
        }
        if (track.loudnessLufs) {
            char text[64];
            std::snprintf(text, sizeof text, ", %.1f LUFS, true peak %.1f dBTP",
                          *track.loudnessLufs, track.truePeakDb.value_or(0));
            out << text;
        }
        if (track.loweredForPeak) out << ", lowered below the pack's loudness for the true peak";
        out << '\n';
    }
    out << result.tracks.size() << (result.tracks.size() == 1 ? " track" : " tracks") << " of "
        << music << " replaced; `corvan-cli restore --all` gives the game's back\n";
    return 0;
}

int listOriginals(bool json, bool prune, const SoundtrackPlaces& places, std::ostream& out,
                  std::ostream& err) {
    soundtrack::OriginalsStore store = storeIn(places);
    std::vector<soundtrack::KeptOriginal> kept = store.list();
    if (prune) {
        platform::PosixDirectories directories;
        std::map<std::string, int> gone;
        for (const auto& original : kept)
            if (!directories.isDirectory(original.folder)) ++gone[original.folder];
        for (const auto& [folder, count] : gone) {
            if (const std::error_code error = store.forgetFolder(folder)) {
                err << "corvan-cli: cannot forget the copies of " << folder << ": "
                    << error.message() << '\n';
                return 1;
            }
            out << "forgot " << count << (count == 1 ? " track" : " tracks") << " of " << folder
                << ", which is gone\n";
        }
        kept = store.list();
    }
    if (json) {
        Json list = Json::array();
        for (const auto& original : kept) {
            list.push_back(Json{{"folder", original.folder},
                                {"name", original.name},
                                {"size_bytes", original.size},
                                {"copy", original.copy}});
        }
        out << jsonText(Json{{"originals", list}}) << '\n';
        return 0;
    }
    for (const auto& original : kept)
        out << original.folder << '/' << original.name << "  " << original.size << " bytes\n";
    if (kept.empty()) out << "no original track is kept\n";
    return 0;
}

}  // namespace corvan::cli
