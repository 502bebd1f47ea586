#include "platform/PosixDirectories.h"
#include "soundtrack/MusicFolderFinder.h"
#include "soundtrack/SteamLibraryList.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace corvan::soundtrack {
namespace {

namespace fs = std::filesystem;

TEST(SteamLibraryList, ReadsThePathsOfBothFormsOfTheFile) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> paths;
    };
    const Case cases[] = {
        {"current form",
         R"("libraryfolders"
{
	"0"
	{
		"path"		"/home/pilot/.local/share/Steam"
		"label"		""
		"apps"		{ "361670" "11231245" }
	}
	"1" { "PATH" "/mnt/games/Steam \"Library\"" "totalsize" "0" }
})",
         {"/home/pilot/.local/share/Steam", "/mnt/games/Steam \"Library\""}},
        {"older form, comments and Windows paths",
         R"(// written by Steam
"LibraryFolders"
{
	"TimeNextStatsReport"	"1700000000"
	"1"	"D:\\SteamLibrary"
	"2"	"/srv/steam"
})",
         {"D:\\SteamLibrary", "/srv/steam"}},
        {"not that file", "\"path\" {\n} garbage \"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(steamLibraryPaths(c.text), c.paths) << c.name;
}

void makeTrackFolder(const std::string& folder, const std::string& track = "track01.imc") {
    fs::create_directories(folder);
    test::writeFile(folder + "/" + track, {1, 2, 3});
}

TEST(MusicFolderFinder, FindsEveryInstallAndNothingElse) {
    test::TempDir temp;
    const std::string home = temp.path("home");
    const std::string library = temp.path("disk2/SteamLibrary");
    const std::string steam = home + "/.local/share/Steam";
    fs::create_directories(steam + "/steamapps");
    fs::create_directories(home + "/.steam");
    fs::create_directory_symlink(steam, home + "/.steam/steam");  // the same Steam twice
    const std::string vdf = "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam +
                            "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + library +
                            "\"\n\t}\n\t\"2\" { \"path\" \"D:\\\\Games\" }\n}\n";
    test::writeFile(steam + "/steamapps/libraryfolders.vdf", test::Bytes(vdf.begin(), vdf.end()));

    const std::vector<std::string> expected = {
        library + "/steamapps/common/Star Wars X-Wing Alliance/MUSIC",
        library + "/steamapps/compatdata/361670/pfx/drive_c/GOG Games/XWA/Music",
        home + "/.wine/drive_c/Program Files (x86)/LucasArts/XWA/music",
        temp.path("prefix") + "/drive_c/Program Files/Steam/steamapps/common/XWA/Music",
        home + "/Games/Heroic/Prefixes/default/XWA/drive_c/Games/XWA/Music",
        home + "/Games/x-wing-alliance/drive_c/GOG Games/XWA/Music",
    };
    makeTrackFolder(expected[0], "TRACK01.IMC");
    for (std::size_t i = 1; i < expected.size(); ++i) makeTrackFolder(expected[i]);
    // Not music folders: no tracks, a near name, and one level too deep.
    fs::create_directories(steam + "/steamapps/common/Other/music");
    test::writeFile(steam + "/steamapps/common/Other/music/song.wav", {1});
    makeTrackFolder(steam + "/steamapps/common/Other/musical");
    makeTrackFolder(home + "/Games/deep/a/b/c/d/music");

    SearchPlaces places;
    places.home = home;
    places.dataHome = home + "/.local/share";
    places.winePrefix = temp.path("prefix");
    platform::PosixDirectories directories;
    std::vector<std::string> found = MusicFolderFinder(directories).find(places);

    std::vector<std::string> want;
    for (const std::string& folder : expected) want.push_back(fs::canonical(folder).string());
    std::sort(found.begin(), found.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(found, want);
}

}  // namespace
}  // namespace corvan::soundtrack
