// corvan-cli's recording commands: check, prepare, convert --prepare and the warning that
// convert gives about a WAV the game cannot play as it is. Run in process through runCli,
// except for a signal in the middle of convert --prepare, which only a real process shows.

#include "audio/AudioCheck.h"
#include "audio/Signals.h"
#include "engine/ImcBuilder.h"
#include "platform/PosixFileSystem.h"
#include "platform/TerminationSignals.h"
#include "support/CliRun.h"
#include "support/Fakes.h"
#include "support/FaultyFileSystem.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sstream>

#include <sys/stat.h>

namespace corvan::test {
namespace {

namespace fs = std::filesystem;

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
const Bytes kOriginal = {'O', 'R', 'I', 'G', 'I', 'N', 'A', 'L'};
constexpr std::size_t kQueuedHeader = 190;

void put32(Bytes& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void put16(Bytes& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

// A 16-bit PCM WAV header of `rate` and `channels` promising `dataBytes`, with the chunks of
// `extra` (id and body) between the format chunk and the data chunk.
Bytes wavHeader(int rate, int channels, std::uint32_t dataBytes,
                const std::vector<std::pair<std::string, Bytes>>& extra = {}) {
    Bytes chunks;
    for (const auto& [id, body] : extra) {
        chunks.insert(chunks.end(), id.begin(), id.end());
        put32(chunks, static_cast<std::uint32_t>(body.size()));
        chunks.insert(chunks.end(), body.begin(), body.end());
    }
    Bytes header = {'R', 'I', 'F', 'F'};
    put32(header, static_cast<std::uint32_t>(36 + chunks.size()) + dataBytes);
    for (const char c : std::string("WAVEfmt ")) header.push_back(static_cast<std::uint8_t>(c));
    put32(header, 16);
    put16(header, 1);
    put16(header, static_cast<std::uint16_t>(channels));
    put32(header, static_cast<std::uint32_t>(rate));
    put32(header, static_cast<std::uint32_t>(rate * channels * 2));
    put16(header, static_cast<std::uint16_t>(channels * 2));
    put16(header, 16);
    header.insert(header.end(), chunks.begin(), chunks.end());
    for (const char c : std::string("data")) header.push_back(static_cast<std::uint8_t>(c));
    put32(header, dataBytes);
    return header;
}

class AudioCommands : public ::testing::Test {
protected:
    AudioCommands() {
        fs::create_directories(dir.path("game"));
        writeFile(dir.path("game/track.imc"), kOriginal);
    }

    CliRun cli(const std::vector<std::string>& arguments, platform::FileSystem* files = nullptr,
               const platform::TerminationSignals* signals = nullptr, bool terminal = false) {
        return runCliInProcess(arguments, files != nullptr ? *files : posix, signals, terminal);
    }

    // 2 s of a 440 Hz sine at 44.1 kHz in mono: readable, not game-ready.
    std::string mono44() {
        const std::string path = dir.path("mono44.wav");
        EXPECT_TRUE(writeSine(path, kWav16, 44100, 1, 2.0, 440, -6));
        return path;
    }
    // 1 s of a sine as the game plays it.
    std::string gameReady() {
        const std::string path = dir.path("ready.wav");
        EXPECT_TRUE(writeSine(path, kWav16, 22050, 2, 1.0, 440, -6));
        return path;
    }

    // What the engine itself writes for `source` as queued music.
    Bytes expectedImc(const std::string& source) {
        platform::PosixFileSystem files;
        FakeUserInterface user;
        FakeInputs inputs;
        ImcBuilder(files, user, inputs).convertWav(source, dir.path("expected.imc"));
        return readFile(dir.path("expected.imc"));
    }

    std::vector<std::string> names(const std::string& folder) {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir.path(folder))) {
            found.push_back(entry.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        return found;
    }

    TempDir dir;
    platform::PosixFileSystem posix;
    const std::string track = dir.path("game/track.imc");
};

// --- check ---------------------------------------------------------------------------

TEST_F(AudioCommands, CheckSaysAGameReadyFileIsReady) {
    const std::string ready = gameReady();
    const CliRun r = cli({"check", ready});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ready +
                         ": WAV, 16-bit PCM, 22,050 Hz, 2 channels (stereo), 1.00 s: ready for "
                         "the game\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(AudioCommands, CheckNamesEachDifferenceAndHowToMendIt) {
    const std::string mono = mono44();
    const std::string ready = gameReady();
    const CliRun r = cli({"check", mono, ready});
    EXPECT_EQ(r.status, 1) << "one file is not ready";
    EXPECT_EQ(r.out, mono +
                         ": WAV, 16-bit PCM, 44,100 Hz, 1 channel (mono), 2.00 s: not ready for "
                         "the game\n"
                         "  - its sample rate is 44,100 Hz, not 22,050 Hz\n"
                         "  - it has 1 channel (mono), not 2 channels (stereo)\n"
                         "  `corvan-cli prepare SOURCE OUTPUT.wav` or `corvan-cli convert "
                         "--prepare` makes a game-ready copy\n" +
                         ready +
                         ": WAV, 16-bit PCM, 22,050 Hz, 2 channels (stereo), 1.00 s: ready for "
                         "the game\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(AudioCommands, CheckWarnsOfChunksBeforeTheDataThatTheGameWouldPlay) {
    Bytes wav = wavHeader(22050, 2, 400, {{"LIST", {'I', 'N', 'F', 'O'}}});
    wav.resize(wav.size() + 400);
    writeFile(dir.path("tagged.wav"), wav);
    const CliRun r = cli({"check", dir.path("tagged.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("not ready for the game"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  - it carries LIST before its samples; the game would play them as "
                         "noise\n"),
              std::string::npos)
        << r.out;
}

TEST_F(AudioCommands, CheckReportsWhatItCannotReadInOneLineAndGoesOn) {
    writeFile(dir.path("bytes.wav"), patternBytes(5000));
    ASSERT_EQ(::mkfifo(dir.path("pipe.wav").c_str(), 0666), 0);
    const std::string ready = gameReady();
    // The FIFO is refused without being opened, which would wait for a writer for ever.
    const CliRun r =
        cli({"check", dir.path("missing.wav"), dir.path("bytes.wav"), dir.path("pipe.wav"), ready});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "corvan-cli: " + dir.path("missing.wav") +
                         ": No such file or directory\n"
                         "corvan-cli: " +
                         dir.path("bytes.wav") +
                         ": it is not a recording in any format this program reads\n" +
                         "corvan-cli: " + dir.path("pipe.wav") + ": it is not a regular file\n");
    EXPECT_NE(r.out.find(ready + ": WAV"), std::string::npos) << "the other files are checked";
}

TEST_F(AudioCommands, CheckJsonIsOneObjectWithTheReportsFields) {
    const std::string mono = mono44();
    const std::string ready = gameReady();
    // A path's bytes that are not UTF-8 become U+FFFD in the JSON, and stay as they are in
    // the error line.
    const CliRun r = cli({"check", "--json", mono, ready, dir.path("missing\xff.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "{\"files\":[{\"path\":\"" + mono +
                         "\",\"container\":\"WAV\",\"encoding\":\"16-bit PCM\","
                         "\"sampleRate\":44100,\"channels\":1,\"frames\":88200,"
                         "\"durationSeconds\":2,\"chunksBeforeData\":[],\"gameReady\":false,"
                         "\"differences\":[\"its sample rate is 44,100 Hz, not 22,050 Hz\","
                         "\"it has 1 channel (mono), not 2 channels (stereo)\"],"
                         "\"codec\":\"PCM\",\"title\":null,\"artist\":null,\"stream\":null},"
                         "{\"path\":\"" +
                         ready +
                         "\",\"container\":\"WAV\",\"encoding\":\"16-bit PCM\","
                         "\"sampleRate\":22050,\"channels\":2,\"frames\":22050,"
                         "\"durationSeconds\":1,\"chunksBeforeData\":[],\"gameReady\":true,"
                         "\"differences\":[],\"codec\":\"PCM\",\"title\":null,"
                         "\"artist\":null,\"stream\":null},"
                         "{\"path\":\"" +
                         dir.path("missing\xEF\xBF\xBD.wav") +
                         "\",\"error\":\"No such file or directory\"}]}\n");
    EXPECT_EQ(r.err,
              "corvan-cli: " + dir.path("missing\xff.wav") + ": No such file or directory\n");
    EXPECT_EQ(cli({"check", "--json", ready}).status, 0);
}

TEST_F(AudioCommands, CheckAndPrepareWithoutTheirFilesAreUsageErrors) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"check"},
          {"check", "--json"},
          {"prepare", "a.wav"},
          {"prepare", "--gain", "loud", "a.wav", "b.wav"},
          {"prepare", "--gain", "nan", "a.wav", "b.wav"},
          {"convert", "--gain", "-3", "a.wav", "b.imc"}}) {
        SCOPED_TRACE(arguments.back());
        const CliRun r = cli(arguments);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("corvan-cli: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("\nusage: corvan-cli convert [--prepare [--gain DB]]"),
                  std::string::npos);
        EXPECT_NE(r.err.find("\n       corvan-cli check [--json] FILE...\n"), std::string::npos);
        EXPECT_NE(r.err.find("\n       corvan-cli prepare [--gain DB]"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists("b.wav"));
}

// --- prepare ---------------------------------------------------------------------------

TEST_F(AudioCommands, PrepareWritesAGameReadyWavQuietlyWhenStandardErrorIsNoTerminal) {
    const std::string out = dir.path("out.wav");
    const CliRun r = cli({"prepare", mono44(), out});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, out +
                         ": prepared for the game: 16-bit PCM, 22,050 Hz, 2 channels (stereo), "
                         "44,100 frames, 2.00 s\n");
    EXPECT_EQ(r.err, "") << "no progress bar, no warning";
    const audio::AudioReport report = audio::checkAudio(out);
    EXPECT_TRUE(report.gameReady);
    EXPECT_EQ(report.frames, 44100);
}

TEST_F(AudioCommands, PrepareDrawsAProgressBarOnATerminal) {
    const CliRun r = cli({"prepare", mono44(), dir.path("out.wav")}, nullptr, nullptr, true);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.rfind("\rPreparing [", 0), 0u) << r.err;
    const std::string full = "\rPreparing [" + std::string(30, '#') + "] 100%\n";
    ASSERT_GE(r.err.size(), full.size());
    EXPECT_EQ(r.err.substr(r.err.size() - full.size()), full)
        << "ends with a full bar and a newline";
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

TEST_F(AudioCommands, PrepareSaysWhenTheSamplesWereCopiedUnchanged) {
    const std::string ready = gameReady();
    const std::string out = dir.path("copy.wav");
    const CliRun r = cli({"prepare", ready, out});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, out + ": " + ready +
                         " is game-ready already; its samples were copied unchanged (22,050 "
                         "frames, 1.00 s)\n");
    EXPECT_EQ(readFile(out), readFile(ready));
}

// The gain suggested clips nothing and is not far below the one that would; a run repeated
// gives the same bytes.
TEST_F(AudioCommands, PrepareSuggestsTheGainThatClipsNothingAndRepeatsItsBytes) {
    const struct {
        int channels;
        double dbfs, gain;
    } cases[] = {{1, -6, 12}, {2, 3, 0}, {64, -20, 6}, {255, 0, -3}};
    int runs = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.channels);
        ASSERT_TRUE(writeSine(dir.path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100,
                              c.channels, 0.2, 1000, c.dbfs));
        const auto suggested = [&](double gain) {  // NaN when nothing clipped
            const CliRun r = cli({"prepare", "--gain", std::to_string(gain), dir.path("in.wav"),
                                  dir.path(std::to_string(++runs) + ".wav")});
            EXPECT_EQ(r.status, 0) << r.err;
            const auto at = r.err.find("--gain ");
            return at == std::string::npos ? NAN : std::stod(r.err.substr(at + 7));
        };
        const double lower = suggested(c.gain);
        ASSERT_FALSE(std::isnan(lower));
        EXPECT_TRUE(std::isnan(suggested(lower)));
        EXPECT_TRUE(std::isnan(suggested(lower)));
        EXPECT_TRUE(readFile(dir.path(std::to_string(runs) + ".wav")) ==
                    readFile(dir.path(std::to_string(runs - 1) + ".wav")));
        EXPECT_FALSE(std::isnan(suggested(lower + 0.2)));
    }
}

TEST_F(AudioCommands, PrepareReachesTheLoudnessAskedForByAnIndependentMeter) {
    // Four seconds of 997 Hz at -30 dBFS, mono at 44.1 kHz; ffmpeg's EBU R128 filter judges.
    const std::string quiet = dir.path("quiet.wav");
    ASSERT_TRUE(writeSine(quiet, kWav16, 44100, 1, 4.0, 997, -30));
    const auto measured = [&](const std::string& wav, const char* what) {
        const ProcessResult r = runProcess(
            "ffmpeg -nostats -nostdin -i " + quote(wav) + " -af ebur128=peak=true -f null - 2>&1",
            dir.path("meter.out"), dir.path("meter.err"));
        const std::size_t at = r.err.rfind(what);  // its summary, on standard error
        return at == std::string::npos ? std::nan("") : std::stod(r.err.substr(at + 6));
    };
    struct Case {
        const char* lufs;
        double expected;
        bool lowered;
    };
    // A sine's loudness is its peak level: -0.5 LUFS would put the peak above -1 dBTP, so
    // the gain stops there, and says so.
    for (const Case c : {Case{"-18", -18.0, false}, Case{"-0.5", -0.5, true}}) {
        SCOPED_TRACE(c.lufs);
        const std::string out = dir.path("loud.wav");
        const CliRun r = cli({"prepare", "--overwrite", "--loudness", c.lufs, quiet, out});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.find("lowered below") != std::string::npos, c.lowered) << r.out;
        const double loudness = measured(out, "I:");
        if (c.lowered) {
            EXPECT_NEAR(loudness, -1.0, 0.2);
            EXPECT_LE(measured(out, "Peak:"), -0.95);
        } else {
            EXPECT_NEAR(loudness, c.expected, 0.5);
        }
    }
    EXPECT_EQ(cli({"prepare", "--loudness", "3", quiet, dir.path("x.wav")}).status, 2);
}

TEST_F(AudioCommands, PrepareFailuresAreOneLineAndLeaveNothing) {
    writeFile(dir.path("bytes.wav"), patternBytes(5000));
    const std::string mono = mono44(), ready = gameReady(), old = dir.path("old.wav");
    fs::create_hard_link(mono, dir.path("linked.wav"));
    writeFile(old, kOriginal);
    const std::string isInput = ": the output would overwrite the recording it is made from";
    const std::string exists = ": the file exists already; --overwrite replaces it";
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{"prepare", dir.path("missing.wav"), dir.path("a.wav")},
         dir.path("missing.wav") + ": No such file or directory"},
        {{"prepare", dir.path("bytes.wav"), dir.path("a.wav")},
         dir.path("bytes.wav") + ": it is not a recording in any format this program reads"},
        {{"prepare", mono, mono}, mono + isInput},
        {{"prepare", "--overwrite", mono, dir.path("linked.wav")},
         dir.path("linked.wav") + isInput},
        {{"prepare", "--loop-at", "0.5", "1.5", mono, mono}, mono + isInput},
        {{"preview", "--loop", "0", "90%", ready, ready}, ready + isInput},
        {{"prepare", mono, old}, old + exists},
        {{"preview", "--loop", "0", "90%", ready, old}, old + exists},
        {{"prepare", mono, dir.path("no folder/a.wav")},
         dir.path("no folder/a.wav") + ": No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        const auto before = names("");
        const Bytes inputs = concat(readFile(mono), readFile(ready));
        const CliRun r = cli(c.arguments);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "corvan-cli: " + c.err + "\n");
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(names(""), before);
        EXPECT_EQ(concat(readFile(mono), readFile(ready)), inputs);
        EXPECT_EQ(readFile(old), kOriginal);
    }
    EXPECT_EQ(cli({"prepare", "--overwrite", mono, old}).status, 0);
}

TEST_F(AudioCommands, APendingSignalStopsPrepareWithNothingWrittenAndItsStatus) {
    writeFile(dir.path("out.wav"), kOriginal);
    const std::string mono = mono44();
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const auto before = names("");
        platform::TerminationSignals signals;
        std::raise(signal);
        ASSERT_EQ(signals.received(), signal);
        const CliRun r =
            cli({"prepare", "--overwrite", mono, dir.path("out.wav")}, nullptr, &signals);
        EXPECT_EQ(r.status, 128 + signal);
        EXPECT_EQ(r.err, "corvan-cli: " + mono + ": preparing stopped; nothing was written\n");
        EXPECT_EQ(readFile(dir.path("out.wav")), kOriginal) << "an existing output is untouched";
        EXPECT_EQ(names(""), before);
    }
}

// --- convert ---------------------------------------------------------------------------

TEST_F(AudioCommands, ConvertWarnsOfAWavTheGameCannotPlayAndConvertsItUnchanged) {
    const std::string mono = mono44();
    const CliRun r = cli({"convert", mono, track});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "corvan-cli: warning: " + mono +
                         " is not ready for the game (its sample rate is 44,100 Hz, not 22,050 "
                         "Hz; it has 1 channel (mono), not 2 channels (stereo)); its bytes are "
                         "converted as they are, --prepare converts a game-ready copy\n");
    EXPECT_EQ(r.out, "Save Successful.  Processed 176444 WAV file bytes\n");
    EXPECT_EQ(readFile(track), expectedImc(mono));
    EXPECT_EQ(readFile(track + ".bak"), kOriginal);
}

TEST_F(AudioCommands, ConvertWarnsOfBytesThatAreNoRecordingAndNotOfAGameReadyWav) {
    writeFile(dir.path("bytes.wav"), patternBytes(250001));
    writeFile(dir.path("text.wav"), Bytes(80, 'a'));
    writeFile(dir.path("empty.wav"), {});
    ASSERT_TRUE(
        writeSine(dir.path("flac.wav"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 22050, 2, 1.0, 440, -6));
    Bytes cutShort = wavHeader(22050, 2, 4000);
    cutShort.resize(cutShort.size() + 1000);
    writeFile(dir.path("cut.wav"), cutShort);
    const std::string ready = gameReady();
    for (const std::string& source : {ready, dir.path("bytes.wav"), dir.path("text.wav"),
                                      dir.path("empty.wav"), dir.path("flac.wav")}) {
        SCOPED_TRACE(source);
        fs::remove(track);
        const CliRun r = cli({"convert", source, track});
        EXPECT_EQ(r.status, 0);
        const bool warned = r.err.rfind("corvan-cli: warning: " + source + " is not ", 0) == 0;
        EXPECT_EQ(warned, source != ready) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), warned ? 1 : 0) << r.err;
        EXPECT_EQ(readFile(track), expectedImc(source));
    }
    // One libsndfile reads but the game would not play whole: warned of, converted as ever.
    fs::remove(track);
    const CliRun r = cli({"convert", dir.path("cut.wav"), track});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("it is cut short"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(track), expectedImc(dir.path("cut.wav")));
}

TEST_F(AudioCommands, ConvertPrepareConvertsAGameReadyCopyAndLeavesNoTemporaryFile) {
    const std::string mono = mono44();
    const CliRun r = cli({"convert", "--prepare", mono, track});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "") << "no warning: what is converted is game-ready";
    // 44,100 frames of 4 bytes after the plain 44-byte header.
    EXPECT_EQ(r.out, "Save Successful.  Processed 176444 WAV file bytes\n");
    EXPECT_EQ(names("game"), (std::vector<std::string>{"track.imc", "track.imc.bak"}));
    EXPECT_EQ(readFile(track + ".bak"), kOriginal);

    // The header is the engine's for a WAV of that length; the rest is a game-ready WAV.
    const Bytes imc = readFile(track);
    ASSERT_EQ(imc.size(), kQueuedHeader + 176444);
    writeFile(dir.path("wav.wav"), Bytes(imc.begin() + kQueuedHeader, imc.end()));
    const audio::AudioReport report = audio::checkAudio(dir.path("wav.wav"));
    EXPECT_TRUE(report.gameReady);
    EXPECT_EQ(report.frames, 44100);
    const Bytes engine = expectedImc(dir.path("wav.wav"));
    EXPECT_EQ(engine, imc) << "converted exactly as the engine converts the prepared copy";
}

TEST_F(AudioCommands, ConvertPrepareKeepsLoopAndDebugAsToday) {
    const std::string mono = mono44();
    const CliRun r = cli({"convert", "--prepare", "--loop", "10%", "90%", "--debug", mono, track});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Wav is 176444 bytes\n", 0), 0u) << r.out;
    const Bytes imc = readFile(track);
    EXPECT_EQ(imc.size(), 228u + 176444);
    EXPECT_EQ(names("game"), (std::vector<std::string>{"track.imc", "track.imc.bak"}));
}

TEST_F(AudioCommands, ConvertPrepareFailuresPutEverythingBackAndLeaveNoTemporaryFile) {
    writeFile(dir.path("bytes.wav"), patternBytes(5000));
    fs::create_directories(dir.path("game/Music"));
    const std::string mono = mono44(), backup = track + ".bak";
    fs::copy_file(mono, backup);
    const struct {
        std::string source, target, err;
    } cases[] = {
        {dir.path("bytes.wav"), track,
         "corvan-cli: " + dir.path("bytes.wav") +
             ": it is not a recording in any format this program reads\n"},
        {dir.path("missing.wav"), track,
         "corvan-cli: " + dir.path("missing.wav") + ": No such file or directory\n"},
        {mono, dir.path("game/Music"),
         "corvan-cli: " + dir.path("game/Music") + ": cannot replace it: Is a directory\n"},
        {mono, mono, "corvan-cli: " + mono + ": cannot replace it: it is the source file itself\n"},
        {backup, track, "corvan-cli: " + track + ": cannot replace it: its backup " + backup},
        {mono, dir.path("no folder/track.imc"),
         "corvan-cli: " + dir.path("no folder/track.imc") +
             ": cannot make a temporary file beside it: No such file or directory\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        const auto before = names("game");
        const auto top = names("");
        const CliRun r = cli({"convert", "--prepare", c.source, c.target});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(names("game"), before);
        EXPECT_EQ(names(""), top);
        EXPECT_EQ(readFile(track), kOriginal);
    }
}

TEST_F(AudioCommands, AConversionThatFailsAfterPreparingRestoresTheTrackAndRemovesTheCopy) {
    FaultyFileSystem files(posix);
    files.failNth(FileOp::Write, 2);  // the first write of the source's bytes
    const CliRun r = cli({"convert", "--prepare", mono44(), track}, &files);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("IMC Generation Failed!"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(track), kOriginal);
    EXPECT_EQ(names("game"), std::vector<std::string>{"track.imc"});
}

// A real process stopped by a signal while it prepares: the track is as it was and neither
// the prepared copy nor the preparation's own temporary file is left beside it.
TEST_F(AudioCommands, ASignalDuringConvertPrepareLeavesTheGameFolderAsItWas) {
    // About 76 minutes of silence at 44.1 kHz in mono that take no disk: long enough that
    // the preparation is still running when the signal comes.
    const std::uint32_t dataBytes = 400u << 20;
    writeFile(dir.path("long.wav"), wavHeader(44100, 1, dataBytes));
    fs::resize_file(dir.path("long.wav"), 44 + static_cast<std::uint64_t>(dataBytes));
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        const auto before = names("game");
        const pid_t pid =
            startProcess({CORVAN_CLI, "convert", "--prepare", dir.path("long.wav"), track},
                         dir.path("out"), dir.path("err"), {"XDG_DATA_HOME=" + dir.path("data")});
        ASSERT_GT(pid, 0);
        // Once a file beside the track has grown, the preparation is writing.
        const bool preparing = waitUntil([&] {
            for (const auto& entry : fs::directory_iterator(dir.path("game"))) {
                std::error_code error;
                if (entry.path().filename() != "track.imc" &&
                    fs::file_size(entry.path(), error) > 1000000) {
                    return true;
                }
            }
            return false;
        });
        ::kill(pid, signal);
        const int status = waitProcess(pid);
        ASSERT_TRUE(preparing);
        EXPECT_EQ(status, 128 + signal) << slurp(dir.path("err"));
        EXPECT_EQ(slurp(dir.path("err")), "corvan-cli: " + dir.path("long.wav") +
                                              ": preparing stopped; nothing was "
                                              "written\n");
        EXPECT_EQ(readFile(track), kOriginal);
        EXPECT_EQ(names("game"), before) << "no temporary file is left";
    }
}

// The track put back and the prepared copy removed by its owner on the way out.
TEST_F(AudioCommands, AnUnexpectedExceptionEndsTheRunWithOneLineAndLeavesNoFileBehind) {
    FaultyFileSystem files(posix);
    files.beforeOpen = [](const std::string&) { throw std::runtime_error("injected"); };
    const auto before = names("game");
    const CliRun r = cli({"convert", "--prepare", mono44(), track}, &files);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(names("game"), before);
    EXPECT_EQ(readFile(track), kOriginal);
}

}  // namespace
}  // namespace corvan::test
