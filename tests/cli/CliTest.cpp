// corvan-cli run in process through runCli: its exit status, its two output streams and the
// files it leaves behind. What only a separate process shows is in RealFaultsTest.cpp.

#include "engine/JsonText.h"
#include "platform/PosixFileSystem.h"
#include "support/CliRun.h"
#include "support/EngineOutput.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace corvan::test {
namespace {

namespace fs = std::filesystem;

using Outcome = CliRun;

const Bytes kOriginal = {'O', 'R', 'I', 'G', 'I', 'N', 'A', 'L'};

class Cli : public ::testing::Test {
protected:
    Cli() { writeFile(dir.path("song.wav"), gameReadyWav(120000)); }

    Outcome run(const std::vector<std::string>& arguments) {
        return runCliInProcess(arguments, files);
    }
    std::string path(const std::string& name) const { return dir.path(name); }
    std::vector<std::string> folder() const { return dir.names(); }

    TempDir dir;
    platform::PosixFileSystem files;
};

TEST_F(Cli, ConvertsEitherKindOfMusicAsTheEngineDoes) {
    writeFile(path("song.wav"), gameReadyWav(250001));
    const Outcome queued = run({"convert", path("song.wav"), path("q.imc")});
    EXPECT_EQ(queued.status, 0);
    EXPECT_EQ(queued.out, "Save Successful.  Processed 250001 WAV file bytes\n");
    EXPECT_EQ(queued.err, "");
    EXPECT_EQ(readFile(path("q.imc")), engineOutput(path("song.wav")));

    // 10% and 90% are the slider positions 3277 and 29490.
    EXPECT_EQ(run({"convert", "--loop", "10%", "90%", path("song.wav"), path("l.imc")}).status, 0);
    EXPECT_EQ(readFile(path("l.imc")), engineOutput(path("song.wav"), true, 3277, 29490));
    EXPECT_EQ(run({"convert", "--loop", "3277", "29490", path("song.wav"), path("n.imc")}).status,
              0);
    EXPECT_EQ(readFile(path("n.imc")), readFile(path("l.imc")));

    // Names with blanks and accents are names like any other.
    fs::create_directories(path("Música"));
    writeFile(path("Música/canción 1.wav"), readFile(path("song.wav")));
    writeFile(path("Música/pista ñ 1.imc"), kOriginal);
    EXPECT_EQ(run({"convert", path("Música/canción 1.wav"), path("Música/pista ñ 1.imc")}).status,
              0);
    EXPECT_EQ(readFile(path("Música/pista ñ 1.imc")), readFile(path("q.imc")));
    EXPECT_EQ(readFile(path("Música/pista ñ 1.imc.bak")), kOriginal);
}

TEST_F(Cli, DebugTextsComeOutInTheEnginesOrderOneLinePerLine) {
    writeFile(path("song.wav"), gameReadyWav(428));
    const Outcome result = run({"convert", "--debug", path("song.wav"), path("a.imc")});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              "Wav is 428 bytes\n000001AB\n0 0 1 171\n00000000\n0 0 0 0\n000000AB\n0 0 0 171\n"
              "00000100\n0 0 1 0\n000001AB\n0 0 1 171\n"
              "Save Successful.  Processed 428 WAV file bytes\n");
}

TEST_F(Cli, KeepsTheReplacedFileAsBackupAndRestoresItWhenTheConversionFails) {
    writeFile(path("a.imc"), {1, 2, 3});
    writeFile(path("a.imc.bak"), {9});
    EXPECT_EQ(run({"convert", path("song.wav"), path("a.imc")}).status, 0);
    EXPECT_EQ(readFile(path("a.imc.bak")), (Bytes{1, 2, 3}));
    EXPECT_EQ(readFile(path("a.imc")), engineOutput(path("song.wav")));

    // A missing source fails after the backup was made: the original comes back, and the
    // older backup, the game's own track, is kept as it was.
    const Outcome failed = run({"convert", path("missing.wav"), path("a.imc")});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err,
              "Could not open file " + path("missing.wav") + "\nIMC Generation Failed!\n");
    EXPECT_EQ(readFile(path("a.imc")), engineOutput(path("song.wav")));
    EXPECT_EQ(readFile(path("a.imc.bak")), (Bytes{1, 2, 3}));
    EXPECT_EQ(folder(), (std::vector<std::string>{"a.imc", "a.imc.bak", "song.wav"}));

    // Without an original, a failed run leaves nothing behind.
    EXPECT_EQ(run({"convert", path("missing.wav"), path("b.imc")}).status, 1);
    EXPECT_FALSE(fs::exists(path("b.imc")));
}

TEST_F(Cli, ASourceThatIsNoFileOrTooLongFailsAndTheTrackStays) {
    writeFile(path("track.imc"), kOriginal);
    fs::create_directories(path("folder.wav"));
    fs::create_symlink(path("gone.wav"), path("dangling.wav"));
    // 2^31 bytes, one more than the header's numbers can hold; sparse, so it takes no disk.
    { std::ofstream(path("huge.wav")).put('R'); }
    fs::resize_file(path("huge.wav"), 2147483648ULL);
    const struct {
        const char* source;
        std::vector<std::string> loop;
        std::string err;
    } cases[] = {
        {"folder.wav", {}, "Could not open file " + path("folder.wav") + "\n"},
        {"dangling.wav", {}, "Could not open file " + path("dangling.wav") + "\n"},
        {"huge.wav", {}, ""},
        {"huge.wav", {"--loop", "10%", "90%"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        std::vector<std::string> arguments{"convert"};
        arguments.insert(arguments.end(), c.loop.begin(), c.loop.end());
        arguments.insert(arguments.end(), {path(c.source), path("track.imc")});
        const Outcome r = run(arguments);
        EXPECT_EQ(r.status, 1);
        // Bytes that are no recording are warned of first.
        const std::string reasons = c.err + "IMC Generation Failed!\n";
        EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), reasons.size())), reasons);
        EXPECT_EQ(readFile(path("track.imc")), kOriginal);
        EXPECT_FALSE(fs::exists(path("track.imc.bak")));
        EXPECT_FALSE(fs::exists(path("gone.wav"))) << "the source is never created";
    }
}

TEST_F(Cli, ABackupOrTargetThatCannotBeUsedStopsBeforeAnythingIsRenamed) {
    writeFile(path("a.imc"), {1});
    fs::create_directories(path("a.imc.bak/keep"));  // a directory is not a backup to replace
    fs::create_directories(path("Music/inner"));
    ASSERT_EQ(::mkfifo(path("pipe.imc").c_str(), 0666), 0);
    ASSERT_EQ(::mknod(path("socket.imc").c_str(), S_IFSOCK | 0666, 0), 0);
    // A source that is the track's backup, by its name or another: replacing would delete it.
    writeFile(path("t.imc"), kOriginal);
    writeFile(path("t.imc.bak"), gameReadyWav(5000));
    fs::create_hard_link(path("t.imc.bak"), path("linked.wav"));
    fs::create_symlink(path("t.imc.bak"), path("symlinked.wav"));
    const std::string backupIsSource = path("t.imc") + ": cannot replace it: its backup " +
                                       path("t.imc.bak") + " is the source file";
    const std::string notRegular = ": cannot replace it: it is not a regular file";
    struct Case {
        std::string target;
        std::string err;
        std::string source = "song.wav";
    };
    std::vector<Case> cases = {
        {path("a.imc"),
         path("a.imc") + ": cannot rename to " + path("a.imc.bak") + ": Is a directory"},
        {path("Music"), path("Music") + ": cannot replace it: Is a directory"},
        {path("pipe.imc"), path("pipe.imc") + notRegular},
        {path("socket.imc"), path("socket.imc") + notRegular},
        {path("song.wav"), path("song.wav") + ": cannot replace it: it is the source file itself"},
        {path("no such folder/new.imc"),
         path("no such folder/new.imc") + ": cannot create it: No such file or directory"},
        {path("t.imc"), backupIsSource, "t.imc.bak"},
        {path("t.imc"), backupIsSource, "linked.wav"},
        {path("t.imc"), backupIsSource, "symlinked.wav"},
    };
    // A device as the target, made here: only root may make one.
    if (::mknod(path("null.imc").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        cases.push_back({path("null.imc"), path("null.imc") + notRegular});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target + " from " + c.source);
        const auto before = folder();
        const Outcome r = run({"convert", path(c.source), c.target});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')).substr(0, c.err.size() + 12),
                  "corvan-cli: " + c.err);
        EXPECT_EQ(r.err.substr(r.err.find('\n') + 1), "IMC Generation Failed!\n");
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(folder(), before);
    }
    EXPECT_EQ(readFile(path("t.imc.bak")), gameReadyWav(5000));
    EXPECT_EQ(readFile(path("a.imc")), Bytes{1});
    EXPECT_TRUE(fs::is_directory(path("Music/inner")));
    EXPECT_EQ(readFile(path("song.wav")), gameReadyWav(120000));
}

TEST_F(Cli, UsageErrorsExitWithTwoAndTheUsage) {
    const std::string song = path("song.wav"), target = path("a.imc");
    const std::vector<std::string> cases[] = {
        {"convert", "--loop", "5", "3", song, target},
        {"convert", "--loop", "40000", "40000", song, target},
        {"convert", "--loop", "0", "101%", song, target},
        {"convert", "--loop", "-1", "5", song, target},
        {"convert", song},
        {"inspect"},
        {"frobnicate"},
        {},
    };
    for (const auto& arguments : cases) {
        SCOPED_TRACE(arguments.empty() ? "" : arguments.front() + " ... " + arguments.back());
        const Outcome result = run(arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("usage: corvan-cli convert"), std::string::npos);
        EXPECT_EQ(result.out, "");
    }
    EXPECT_FALSE(fs::exists(target));
    // Equal positions are allowed; the loop they give ends before it starts, which is said.
    const Outcome equal = run({"convert", "--loop", "7", "7", song, target});
    EXPECT_EQ(equal.status, 0);
    EXPECT_EQ(equal.err.rfind("corvan-cli: warning: the loop ends (", 0), 0u) << equal.err;
    EXPECT_EQ(run({"convert", "--loop", "7", "10%", song, path("b.imc")}).err, "");

    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* topic :
         {"convert", "inspect", "check", "prepare", "suggest-loop", "preview", "--loop-at",
          "Recordings:", "Exit status", "START <= END", "TARGET.bak", "no loop of the length",
          "every file\n           checked is game-ready",
          "the conversion or the preparation was stopped by signal N"}) {
        EXPECT_NE(help.out.find(topic), std::string::npos) << topic;
    }
    // A command's own help has the sections that concern it, and only those.
    const std::string convert = run({"convert", "--help"}).out,
                      check = run({"check", "--help"}).out;
    EXPECT_NE(convert.find("Backup and restore:"), std::string::npos);
    EXPECT_NE(check.find("Exit status:"), std::string::npos);
    EXPECT_EQ(check.find("Backup and restore:"), std::string::npos);
}

TEST_F(Cli, InspectAcceptsGoodFilesOnly) {
    ASSERT_EQ(run({"convert", path("song.wav"), path("q.imc")}).status, 0);
    ASSERT_EQ(run({"convert", "--loop", "25%", "75%", path("song.wav"), path("l.imc")}).status, 0);
    const Outcome queued = run({"inspect", path("q.imc")});
    EXPECT_EQ(queued.status, 0) << queued.err;
    EXPECT_NE(queued.out.find("queued"), std::string::npos);
    const Outcome looped = run({"inspect", "--json", path("l.imc")});
    EXPECT_EQ(looped.status, 0) << looped.err;
    EXPECT_EQ(Json::parse(looped.out).value("variant", ""), "looped") << looped.out;

    // Every truncation of a good header, and random bytes, are refused without a crash.
    const Bytes good = readFile(path("l.imc"));
    std::mt19937 random(7);
    for (std::size_t length = 0; length < 228 + 40; ++length) {
        Bytes bytes(good.begin(), good.begin() + std::min(length, std::size_t{228}));
        if (length >= 228) {  // random bytes of that length instead
            bytes = Bytes(length);
            for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        }
        writeFile(path("bad.imc"), bytes);
        const Outcome result = run({"inspect", path("bad.imc")});
        ASSERT_EQ(result.status, 1) << length;
        EXPECT_EQ(result.err.rfind("corvan-cli: " + path("bad.imc") + ": ", 0), 0u) << length;
    }
}

}  // namespace
}  // namespace corvan::test
