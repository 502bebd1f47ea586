// corvan-cli's soundtrack commands on a made-up game in the test's own folder: the game's
// tracks kept and given back, the folder's states, the game found.

#include "platform/PosixFileSystem.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace corvan::test {
namespace {

namespace fs = std::filesystem;

class SoundtrackCommands : public ::testing::Test {
protected:
    SoundtrackCommands() {
        places.home = dir.path("home");
        places.dataHome = dir.path("home/.local/share");
        fs::create_directories(music);
        for (const char* name : {"track01.imc", "TRACK02.IMC", "track03.imc"})
            writeFile(music + "/" + name, patternBytes(20000 + name[6]));
        writeFile(dir.path("song.wav"), gameReadyWav(30000));
        writeFile(dir.path("other.wav"), gameReadyWav(40000));
    }

    CliRun cli(const std::vector<std::string>& arguments) {
        return runCliInProcess(arguments, posix, nullptr, false, places);
    }

    TempDir dir;
    platform::PosixFileSystem posix;
    cli::SoundtrackPlaces places;
    const std::string music = dir.path("home/.local/share/Steam/steamapps/common/XWA/Music");
};

TEST_F(SoundtrackCommands, TheGamesTracksComeBackByteForByteAfterAnyNumberOfReplacements) {
    const Bytes one = readFile(music + "/track01.imc"), two = readFile(music + "/TRACK02.IMC");
    // Two plain conversions over track01 leave a Corvan track as its backup; TRACK02 once.
    for (const char* source : {"song.wav", "other.wav"})
        ASSERT_EQ(cli({"convert", dir.path(source), music + "/track01.imc"}).status, 0);
    ASSERT_EQ(cli({"convert", "--loop", "10%", "90%", dir.path("song.wav"), music + "/TRACK02.IMC"})
                  .status,
              0);

    const CliRun status = cli({"soundtrack", "status", "--json", music});
    ASSERT_EQ(status.status, 0) << status.err;
    EXPECT_NE(status.out.find(R"({"name":"TRACK02.IMC","state":"corvan","kind":"looped")"),
              std::string::npos)
        << status.out;
    EXPECT_NE(status.out.find(R"({"name":"track03.imc","state":"original","kind":null,)"),
              std::string::npos);
    EXPECT_NE(status.out.find(R"("original_kept":true,"backup_kept":true})"), std::string::npos);

    const CliRun one1 = cli({"restore", music + "/track01.imc"});
    EXPECT_EQ(one1.status, 0) << one1.err;
    EXPECT_EQ(readFile(music + "/track01.imc"), one);
    EXPECT_EQ(cli({"restore", music + "/track01.imc"}).status, 1) << "the game's own already";
    EXPECT_EQ(cli({"restore", "--all", music}).status, 0);
    EXPECT_EQ(readFile(music + "/TRACK02.IMC"), two);
    EXPECT_EQ(cli({"restore", "--all", music}).status, 1) << "nothing of it replaced";
    // The Corvan tracks went to the trash, nothing was left in the music folder.
    EXPECT_EQ(dir.names("home/.local/share/Trash/files"),
              (std::vector<std::string>{"TRACK02.IMC", "track01.imc"}));
    EXPECT_EQ(dir.names("home/.local/share/Steam/steamapps/common/XWA/Music"),
              (std::vector<std::string>{"TRACK02.IMC", "TRACK02.IMC.bak", "track01.imc",
                                        "track01.imc.bak", "track03.imc"}));

    const CliRun originals = cli({"soundtrack", "originals", "--json"});
    EXPECT_NE(originals.out.find(R"("name":"track01.imc","size_bytes":20049)"), std::string::npos)
        << originals.out;
    const CliRun found = cli({"soundtrack", "find"});
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.out, fs::canonical(music).string() + "\n");
}

}  // namespace
}  // namespace corvan::test
