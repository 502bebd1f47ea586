// Runs the built corvan-cli as a process and looks at its exit status, its two output
// streams and the files it leaves behind.

#include "engine/ImcBuilder.h"
#include "platform/PosixFileSystem.h"
#include "support/Fakes.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <sys/wait.h>

namespace corvan::test {
namespace {

namespace fs = std::filesystem;

using Result = ProcessResult;

class Cli : public ::testing::Test {
protected:
    Result run(const std::string& arguments) {
        return runProcess(quote(CORVAN_CLI) + " " + arguments, dir.path("out"), dir.path("err"));
    }
    std::string quoted(const std::string& name) { return "'" + dir.path(name) + "'"; }
    // What the engine itself writes for `source` with these inputs.
    Bytes expectedImc(const std::string& source, bool loop, std::int16_t start, std::int16_t end) {
        platform::PosixFileSystem files;
        FakeUserInterface user;
        FakeInputs inputs;
        inputs.loop = loop;
        inputs.start = start;
        inputs.end = end;
        ImcBuilder(files, user, inputs).convertWav(source, dir.path("expected.imc"));
        return readFile(dir.path("expected.imc"));
    }

    TempDir dir;
};

TEST_F(Cli, ConvertsEitherKindOfMusicAsTheEngineDoes) {
    const Bytes source = patternBytes(250001);
    writeFile(dir.path("song.wav"), source);
    const Result queued = run("convert " + quoted("song.wav") + " " + quoted("q.imc"));
    EXPECT_EQ(queued.status, 0);
    EXPECT_EQ(queued.out, "Save Successful.  Processed 250001 WAV file bytes\n");
    EXPECT_EQ(queued.err, "");
    EXPECT_EQ(readFile(dir.path("q.imc")), expectedImc(dir.path("song.wav"), false, 0, 0));

    // 10% and 90% are the slider positions 3277 and 29490.
    const Result looped =
        run("convert --loop 10% 90% " + quoted("song.wav") + " " + quoted("l.imc"));
    EXPECT_EQ(looped.status, 0);
    EXPECT_EQ(readFile(dir.path("l.imc")), expectedImc(dir.path("song.wav"), true, 3277, 29490));
    EXPECT_EQ(run("convert --loop 3277 29490 " + quoted("song.wav") + " " + quoted("n.imc")).status,
              0);
    EXPECT_EQ(readFile(dir.path("n.imc")), readFile(dir.path("l.imc")));
}

TEST_F(Cli, DebugTextsComeOutInTheEnginesOrderOneLinePerLine) {
    writeFile(dir.path("song.wav"), patternBytes(428));
    const Result result = run("convert --debug " + quoted("song.wav") + " " + quoted("a.imc"));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              "Wav is 428 bytes\n000001AB\n0 0 1 171\n00000000\n0 0 0 0\n000000AB\n0 0 0 171\n"
              "00000100\n0 0 1 0\n000001AB\n0 0 1 171\n"
              "Save Successful.  Processed 428 WAV file bytes\n");
}

TEST_F(Cli, KeepsTheReplacedFileAsBackupAndRestoresItWhenTheConversionFails) {
    writeFile(dir.path("song.wav"), patternBytes(1000));
    writeFile(dir.path("a.imc"), {1, 2, 3});
    writeFile(dir.path("a.imc.bak"), {9});
    EXPECT_EQ(run("convert " + quoted("song.wav") + " " + quoted("a.imc")).status, 0);
    EXPECT_EQ(readFile(dir.path("a.imc.bak")), (Bytes{1, 2, 3}));
    EXPECT_EQ(readFile(dir.path("a.imc")), expectedImc(dir.path("song.wav"), false, 0, 0));

    // A missing source fails after the backup was made: the original comes back, and the
    // older backup, the game's own track, is kept as it was.
    const Result failed = run("convert " + quoted("missing.wav") + " " + quoted("a.imc"));
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err,
              "Could not open file " + dir.path("missing.wav") + "\nIMC Generation Failed!\n");
    EXPECT_EQ(readFile(dir.path("a.imc")), expectedImc(dir.path("song.wav"), false, 0, 0));
    EXPECT_EQ(readFile(dir.path("a.imc.bak")), (Bytes{1, 2, 3}));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path(""))) ++files;
    EXPECT_EQ(files, 6u) << "song.wav, a.imc, a.imc.bak, expected.imc, out, err: nothing more";

    // Without an original, a failed run leaves nothing behind.
    EXPECT_EQ(run("convert " + quoted("missing.wav") + " " + quoted("b.imc")).status, 1);
    EXPECT_FALSE(fs::exists(dir.path("b.imc")));
}

TEST_F(Cli, ABackupThatCannotBeMadeStopsBeforeTheConversion) {
    writeFile(dir.path("song.wav"), patternBytes(10));
    writeFile(dir.path("a.imc"), {1});
    fs::create_directory(dir.path("a.imc.bak"));  // a directory is not a backup to delete
    fs::create_directory(dir.path("a.imc.bak/keep"));
    const Result result = run("convert " + quoted("song.wav") + " " + quoted("a.imc"));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("corvan-cli: " + dir.path("a.imc") + ": cannot rename to " +
                                   dir.path("a.imc.bak") + ": ",
                               0),
              0u)
        << result.err;
    EXPECT_EQ(readFile(dir.path("a.imc")), Bytes{1});
}

TEST_F(Cli, UsageErrorsExitWithTwoAndTheUsage) {
    writeFile(dir.path("song.wav"), patternBytes(10));
    const std::string files = " " + quoted("song.wav") + " " + quoted("a.imc");
    for (const std::string& arguments :
         {"convert --loop 5 3" + files, "convert --loop 40000 40000" + files,
          "convert --loop 0 101%" + files, "convert --loop -1 5" + files,
          "convert " + quoted("song.wav"), std::string("inspect"), std::string("frobnicate"),
          std::string("")}) {
        SCOPED_TRACE(arguments);
        const Result result = run(arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("usage: corvan-cli convert"), std::string::npos);
        EXPECT_EQ(result.out, "");
    }
    EXPECT_FALSE(fs::exists(dir.path("a.imc")));
    EXPECT_EQ(run("convert --loop 7 7" + files).status, 0) << "equal positions are allowed";

    const Result help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("convert"), std::string::npos);
    EXPECT_EQ(run("--version").out, "corvan-cli 1.0\n");
}

TEST_F(Cli, InspectAcceptsGoodFilesOnly) {
    // A recording that sox makes, where sox is installed; otherwise a pattern.
    const std::string wav = dir.path("tone.wav");
    if (std::system(
            ("sox -n -r 22050 -c 2 -b 16 '" + wav + "' synth 0.3 sine 440 2>/dev/null").c_str()) !=
        0) {
        writeFile(wav, patternBytes(30000));
    }
    ASSERT_EQ(run("convert " + quoted("tone.wav") + " " + quoted("q.imc")).status, 0);
    ASSERT_EQ(run("convert --loop 25% 75% " + quoted("tone.wav") + " " + quoted("l.imc")).status,
              0);
    const Result queued = run("inspect " + quoted("q.imc"));
    EXPECT_EQ(queued.status, 0) << queued.err;
    EXPECT_NE(queued.out.find("queued"), std::string::npos);
    const Result looped = run("inspect --json " + quoted("l.imc"));
    EXPECT_EQ(looped.status, 0) << looped.err;
    EXPECT_EQ(looped.out.front(), '{');
    EXPECT_NE(looped.out.find("\"looped\""), std::string::npos);

    // Every truncation of a good header, and random bytes, are refused without a crash.
    const Bytes good = readFile(dir.path("l.imc"));
    std::mt19937 random(7);
    for (std::size_t length = 0; length < 228 + 40; ++length) {
        Bytes bytes(good.begin(), good.begin() + std::min(length, std::size_t{228}));
        if (length >= 228) {  // a good header in front of random bytes instead
            bytes = Bytes(length);
            for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        }
        writeFile(dir.path("bad.imc"), bytes);
        const Result result = run("inspect " + quoted("bad.imc"));
        ASSERT_EQ(result.status, 1) << length;
        EXPECT_NE(result.err.find("corvan-cli: "), std::string::npos);
    }
}

}  // namespace
}  // namespace corvan::test
