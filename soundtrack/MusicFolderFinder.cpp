#include "soundtrack/MusicFolderFinder.h"

#include "platform/Environment.h"
#include "platform/PathNames.h"
#include "platform/ReadOnlyFile.h"
#include "soundtrack/SteamLibraryList.h"

#include <algorithm>

namespace corvan::soundtrack {

namespace {

constexpr int kLevelsBelowGame = 4;
// libraryfolders.vdf lists a few folders; anything larger is not that file.
constexpr std::size_t kLargestLibraryList = 1 << 20;

std::string readSmallText(const std::string& path) {
    std::string text;
    if (platform::readSmallFile(path, kLargestLibraryList, text)) return {};
    return text;
}

std::string join(const std::string& folder, const std::string& name) {
    return platform::joinPath(folder, name);
}

}  // namespace

SearchPlaces searchPlacesFromEnvironment() {
    SearchPlaces places;
    places.home = platform::environmentVariable("HOME").value_or("");
    places.winePrefix = platform::environmentVariable("WINEPREFIX").value_or("");
    places.dataHome = platform::environmentVariable("XDG_DATA_HOME")
                          .value_or(places.home.empty() ? "" : join(places.home, ".local/share"));
    return places;
}

std::vector<std::string> MusicFolderFinder::find(const SearchPlaces& places) {
    found_.clear();
    searchedRoots_.clear();
    const std::string& home = places.home;
    if (!places.dataHome.empty()) searchSteamRoot(join(places.dataHome, "Steam"), true);
    if (!home.empty()) {
        for (const char* root : {".steam/steam", ".steam/root", ".local/share/Steam",
                                 ".var/app/com.valvesoftware.Steam/.local/share/Steam",
                                 ".var/app/com.valvesoftware.Steam/data/Steam"}) {
            searchSteamRoot(join(home, root), true);
        }
        searchPrefix(join(home, ".wine/drive_c"));
    }
    if (!places.winePrefix.empty()) searchPrefix(join(places.winePrefix, "drive_c"));
    if (!home.empty()) {
        // Heroic keeps its Wine prefixes apart from its games; Lutris installs each game
        // (with its prefix) in a folder of its own under ~/Games, as Heroic does GOG games.
        const std::string heroicPrefixes = join(home, "Games/Heroic/Prefixes");
        for (const std::string& prefix : subfolders(heroicPrefixes)) {
            searchPrefix(join(prefix, "drive_c"));
            for (const std::string& inner : subfolders(prefix))
                searchPrefix(join(inner, "drive_c"));
        }
        for (const std::string& game : subfolders(join(home, "Games"))) {
            searchGameFolder(game, kLevelsBelowGame);
        }
    }
    return found_;
}

void MusicFolderFinder::searchSteamRoot(const std::string& root, bool withLibraryList) {
    const std::optional<std::string> resolved = platform::realPath(root);
    if (!resolved || !directories_.isDirectory(*resolved)) return;
    if (std::find(searchedRoots_.begin(), searchedRoots_.end(), *resolved) != searchedRoots_.end())
        return;
    searchedRoots_.push_back(*resolved);
    for (const std::string& game : subfolders(join(*resolved, "steamapps/common"))) {
        searchGameFolder(game, kLevelsBelowGame);
    }
    for (const std::string& app : subfolders(join(*resolved, "steamapps/compatdata"))) {
        searchPrefix(join(app, "pfx/drive_c"));
    }
    if (!withLibraryList) return;
    for (const char* list : {"steamapps/libraryfolders.vdf", "config/libraryfolders.vdf"}) {
        for (const std::string& library : steamLibraryPaths(readSmallText(join(*resolved, list)))) {
            // Only folders of this machine; a library listed by Steam running under Wine
            // names a Windows drive.
            if (!library.empty() && library.front() == '/') searchSteamRoot(library, false);
        }
    }
}

void MusicFolderFinder::searchPrefix(const std::string& driveC) {
    if (!directories_.isDirectory(driveC)) return;
    searchGameFolder(driveC, kLevelsBelowGame);
    // Steam for Windows installed inside the prefix keeps its games deeper than that.
    for (const char* steam : {"Program Files (x86)/Steam", "Program Files/Steam"}) {
        searchSteamRoot(join(driveC, steam), false);
    }
}

void MusicFolderFinder::searchGameFolder(const std::string& folder, int levelsLeft) {
    if (levelsLeft == 0) return;
    for (const std::string& sub : subfolders(folder)) {
        if (platform::matchesPattern(platform::fileNameOf(sub), "music") && holdsTracks(sub)) {
            addFound(sub);
            continue;
        }
        searchGameFolder(sub, levelsLeft - 1);
    }
}

std::vector<std::string> MusicFolderFinder::subfolders(const std::string& folder) {
    std::vector<platform::DirectoryEntry> entries;
    std::vector<std::string> folders;
    if (directories_.list(folder, entries)) return folders;
    for (const platform::DirectoryEntry& entry : entries) {
        if (entry.kind == platform::EntryKind::Directory)
            folders.push_back(join(folder, entry.name));
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

bool MusicFolderFinder::holdsTracks(const std::string& folder) {
    std::vector<platform::DirectoryEntry> entries;
    if (directories_.list(folder, entries)) return false;
    return std::any_of(entries.begin(), entries.end(), [](const platform::DirectoryEntry& entry) {
        return entry.kind == platform::EntryKind::RegularFile &&
               platform::matchesPattern(entry.name, "*.imc");
    });
}

void MusicFolderFinder::addFound(const std::string& folder) {
    const std::string resolved = platform::realPath(folder).value_or(folder);
    if (std::find(found_.begin(), found_.end(), resolved) == found_.end())
        found_.push_back(resolved);
}

}  // namespace corvan::soundtrack
