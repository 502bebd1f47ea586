#pragma once

#include "platform/FileSystem.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace corvan::cli {

// Where the originals kept before a first replacement, and the trash, are found: the data
// folder (XDG_DATA_HOME, or HOME/.local/share); empty keeps nothing and has no trash.
struct SoundtrackPlaces {
    std::string dataHome;
    std::string home;        // for finding the game
    std::string winePrefix;  // WINEPREFIX
};

// `restore`: puts the game's own track back in place of each Corvan track named, or of every
// track of `folder` with --all. Returns 0 when every replaced track asked for is back, 1 when
// one has nothing to restore (with --all: when no track of the folder was replaced) or fails.
int restoreTracks(const std::vector<std::string>& tracks, const std::string& allFolder,
                  platform::FileSystem& files, const SoundtrackPlaces& places, std::ostream& out,
                  std::ostream& err);

// `soundtrack find`: each music folder of the game on this machine, one a line. Returns 0, or
// 1 when none is found.
int findMusicFolders(const SoundtrackPlaces& places, std::ostream& out, std::ostream& err);

// `soundtrack status`: every track of the music folder with its state. Returns 0, or 1 when
// the folder cannot be read.
int showTrackStatus(const std::string& folder, bool json, platform::FileSystem& files,
                    const SoundtrackPlaces& places, std::ostream& out, std::ostream& err);

// `soundtrack apply`: the pack's tracks prepared and put in place in the music folder `folder`
// (the one found when empty), all or nothing; with `dryRun` only the plan. Returns 0, 1 when
// the pack is refused or a track fails, 2 when no folder or several are found and none is
// given, 128 + N when signal N stopped it.
int applyPackTo(const std::string& packPath, const std::string& folder, bool dryRun,
                platform::FileSystem& files, const std::function<int()>& stopSignal,
                const SoundtrackPlaces& places, std::ostream& out, std::ostream& err);

// `soundtrack originals`: the game's tracks kept, with their folders and sizes; `prune`
// forgets those whose folder is gone. Returns 0.
int listOriginals(bool json, bool prune, const SoundtrackPlaces& places, std::ostream& out,
                  std::ostream& err);

}  // namespace corvan::cli
