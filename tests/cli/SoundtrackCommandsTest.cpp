// corvan-cli's soundtrack commands on a made-up game in the test's own folder: the game's
// tracks kept and given back, the folder's states, the game found.

#include "audio/Signals.h"
#include "platform/PosixFileSystem.h"
#include "platform/TerminationSignals.h"
#include "support/CliRun.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sndfile.h>
#include <csignal>
#include <filesystem>
#include <map>

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

    CliRun cli(const std::vector<std::string>& arguments,
               const platform::TerminationSignals* signals = nullptr) {
        return runCliInProcess(arguments, posix, signals, false, places);
    }

    // Every file of the music folder with its bytes.
    std::map<std::string, Bytes> folder() const {
        std::map<std::string, Bytes> files;
        for (const auto& entry : fs::directory_iterator(music))
            files[entry.path().filename().string()] = readFile(entry.path().string());
        return files;
    }

    // A pack beside two recordings (sines of 6 s, one at 44.1 kHz mono) for two tracks.
    std::string pack(const std::string& second = "b.wav") {
        fs::create_directories(dir.path("pack"));
        EXPECT_TRUE(writeSine(dir.path("pack/a.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1,
                              6.0, 440, -20));
        EXPECT_TRUE(writeSine(dir.path("pack/b.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 2,
                              6.0, 660, -10));
        const std::string text =
            "loudness = -20\n[[track]]\nreplace = \"TRACK01.IMC\"\n"
            "recording = \"a.wav\"\nkind = \"looped\"\nloop = [1, 5]\n"
            "[[track]]\nreplace = \"track02.imc\"\nrecording = \"" +
            second + "\"\nkind = \"queued\"\n";
        writeFile(dir.path("pack/pack.toml"), Bytes(text.begin(), text.end()));
        return dir.path("pack/pack.toml");
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

TEST_F(SoundtrackCommands, APackGoesInAllOrNothing) {
    const std::map<std::string, Bytes> before = folder();
    // A recording that is no recording: the other track is made, then all is undone.
    const std::string noisy = pack("noise.wav");
    writeFile(dir.path("pack/noise.wav"), patternBytes(5000));
    const CliRun broken = cli({"soundtrack", "apply", noisy, music});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find("line 7, TRACK02.IMC"), std::string::npos) << broken.err;
    EXPECT_EQ(folder(), before);
    EXPECT_EQ(cli({"soundtrack", "apply", "--dry-run", pack(), music}).status, 0);
    EXPECT_EQ(folder(), before);
    for (const int signal : {SIGINT, SIGTERM}) {
        platform::TerminationSignals signals;
        std::raise(signal);
        EXPECT_EQ(cli({"soundtrack", "apply", pack(), music}, &signals).status, 128 + signal);
        EXPECT_EQ(folder(), before);
    }

    // Applied twice, each track is the pack's; the game's come back byte for byte.
    for (int run = 0; run < 2; ++run) {
        const CliRun applied = cli({"soundtrack", "apply", pack(), music});
        ASSERT_EQ(applied.status, 0) << applied.err;
        EXPECT_NE(applied.out.find("track01.imc: looped "), std::string::npos) << applied.out;
        EXPECT_NE(applied.out.find("TRACK02.IMC: queued, -20.0 LUFS"), std::string::npos);
    }
    // The queued track's WAV, after its 190-byte header, at the pack's loudness by ffmpeg's meter.
    const Bytes queued = readFile(music + "/TRACK02.IMC");
    writeFile(dir.path("queued.wav"), Bytes(queued.begin() + 190, queued.end()));
    const ProcessResult meter = runProcess(
        "ffmpeg -nostats -nostdin -i " + quote(dir.path("queued.wav")) + " -af ebur128 -f null -",
        dir.path("meter.out"), dir.path("meter.err"));
    const std::size_t integrated = meter.err.rfind("I:");
    ASSERT_NE(integrated, std::string::npos) << meter.err;
    EXPECT_NEAR(std::stod(meter.err.substr(integrated + 2)), -20.0, 0.5);
    // The loop lands as long as the pack asks, both ends moved together at most 70 ms.
    const CliRun status = cli({"soundtrack", "status", "--json", music});
    const std::size_t at =
        status.out.find(R"("loop_start_seconds":)", status.out.find(R"("name":"track01.imc")"));
    ASSERT_NE(at, std::string::npos) << status.out;
    const double start = std::stod(status.out.substr(at + 21));
    const double end =
        std::stod(status.out.substr(status.out.find(R"("loop_end_seconds":)", at) + 19));
    EXPECT_NEAR(start, 1.0, 0.07);
    EXPECT_NEAR(end - start, 4.0, 0.5 / 22050);
    EXPECT_EQ(cli({"restore", "--all", music}).status, 0);
    for (const auto& [name, bytes] : before) EXPECT_EQ(readFile(music + "/" + name), bytes) << name;
}

}  // namespace
}  // namespace corvan::test
