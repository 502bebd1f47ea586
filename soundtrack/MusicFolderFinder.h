#pragma once

#include "platform/Directories.h"

#include <optional>
#include <string>
#include <vector>

namespace corvan::soundtrack {

// Where to look for the game: the user's home and the environment's Wine prefix and data
// folder, each empty when the environment does not say.
struct SearchPlaces {
    std::string home;
    std::string winePrefix;  // WINEPREFIX
    std::string dataHome;    // XDG_DATA_HOME, else HOME/.local/share
};

// SearchPlaces as this process's environment gives them.
SearchPlaces searchPlacesFromEnvironment();

// Finds the game's music folders on this machine: a folder named "music" in any case that
// holds .imc files, at most four levels below a game's folder. Games are looked for in every
// Steam library (native and Flatpak Steam, each library listed in libraryfolders.vdf), in
// Proton and Wine prefixes and in the folders Heroic and Lutris install to.
class MusicFolderFinder {
public:
    explicit MusicFolderFinder(platform::Directories& directories) : directories_(directories) {}

    // Each music folder once (links resolved), in the order found.
    std::vector<std::string> find(const SearchPlaces& places);

private:
    void searchSteamRoot(const std::string& root, bool withLibraryList);
    void searchGameFolder(const std::string& folder, int levelsLeft);
    void searchPrefix(const std::string& driveC);
    std::vector<std::string> subfolders(const std::string& folder);
    bool holdsTracks(const std::string& folder);
    void addFound(const std::string& folder);

    platform::Directories& directories_;
    std::vector<std::string> found_;
    std::vector<std::string> searchedRoots_;
};

}  // namespace corvan::soundtrack
