// Real faults that only corvan-cli run as a process shows: folders the user may not read or
// write, a target that another process holds, a FIFO that would hang the open, signals and
// a closed output. Permission bits mean nothing to root, so as root the program runs as the
// unprivileged user "nobody".

#include "platform/File.h"
#include "platform/PosixFileSystem.h"
#include "support/EngineOutput.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvan::test {
namespace {

namespace fs = std::filesystem;

const Bytes kOriginal = {'O', 'R', 'I', 'G', 'I', 'N', 'A', 'L'};

using Result = ProcessResult;

class RealFaults : public ::testing::Test {
protected:
    RealFaults() {
        // Open to the unprivileged user: the folder, a copy of the program and a recording.
        fs::permissions(dir.path(""), fs::perms::all);
        fs::copy_file(CORVAN_CLI, dir.path("corvan-cli"));
        fs::permissions(dir.path("corvan-cli"), fs::perms(0755));
        fs::create_directories(dir.path("game"));
        fs::permissions(dir.path("game"), fs::perms::all);
        // Where the game's tracks are kept: the test's own, writable by the user it runs as.
        fs::create_directories(dir.path("data"));
        fs::permissions(dir.path("data"), fs::perms::all);
        writeShared("song.wav", gameReadyWav(120000));
        writeShared("game/track.imc", kOriginal);
    }

    void writeShared(const std::string& name, const Bytes& bytes) {
        writeFile(dir.path(name), bytes);
        fs::permissions(dir.path(name), fs::perms(0666));
    }

    // The commands run as "nobody" when the tests run as root.
    static std::string asTheUser() {
        return geteuid() == 0 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "";
    }

    // `limit`, such as "timeout -s KILL 10 ", ends a run that would otherwise hang.
    Result run(const std::string& arguments, const std::string& limit = "") {
        return runProcess("XDG_DATA_HOME=" + quote(dir.path("data")) + " " + limit + asTheUser() +
                              quote(dir.path("corvan-cli")) + " " + arguments,
                          dir.path("out"), dir.path("err"));
    }

    // Whether the unprivileged user can read `path` at all; proves the fault is real.
    bool readableByTheUser(const std::string& path) {
        return std::system((asTheUser() + "test -r " + quote(path)).c_str()) == 0;
    }

    void expectTheOriginalInPlace() {
        EXPECT_EQ(readFile(dir.path("game/track.imc")), kOriginal);
        EXPECT_FALSE(fs::exists(dir.path("game/track.imc.bak")));
    }

    // The names in the game folder: what a run leaves there besides the track and backup.
    std::vector<std::string> gameFolder() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path("game"))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // A recording of `bytes` that takes no disk: long enough that a conversion is still
    // copying when a signal or a closed output meets it.
    std::string sparseSource(std::uint64_t bytes) {
        { std::ofstream(dir.path("long.wav")).put('R'); }
        fs::resize_file(dir.path("long.wav"), bytes);
        fs::permissions(dir.path("long.wav"), fs::perms(0644));
        return dir.path("long.wav");
    }

    TempDir dir;
    const std::string track = quote(dir.path("game/track.imc"));
};

TEST_F(RealFaults, ASourceInAFolderTheUserMayNotReadFailsAndTheTrackStays) {
    fs::create_directories(dir.path("private"));
    writeShared("private/song.wav", readFile(dir.path("song.wav")));
    fs::permissions(dir.path("private"), fs::perms::none);
    ASSERT_FALSE(readableByTheUser(dir.path("private/song.wav")));

    const Result r = run("convert " + quote(dir.path("private/song.wav")) + " " + track);
    fs::permissions(dir.path("private"), fs::perms::owner_all);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Could not open file " + dir.path("private/song.wav")), std::string::npos);
    EXPECT_NE(r.err.find("IMC Generation Failed!"), std::string::npos);
    EXPECT_EQ(r.out, "");
    expectTheOriginalInPlace();
}

TEST_F(RealFaults, ATargetFolderTheUserMayNotWriteStopsBeforeAnythingChanges) {
    fs::permissions(dir.path("game"), fs::perms(0555));
    const Result r = run("convert " + quote(dir.path("song.wav")) + " " + track);
    fs::permissions(dir.path("game"), fs::perms::all);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "corvan-cli: " + dir.path("game/track.imc") + ": cannot rename to " +
                         dir.path("game/track.imc.bak") +
                         ": Permission denied\nIMC Generation Failed!\n");
    EXPECT_EQ(r.out, "");
    expectTheOriginalInPlace();
}

TEST_F(RealFaults, ATargetHeldByAnotherProcessKeepsItsOriginalUnderTheBackupName) {
    // The lock is advisory: the holder keeps reading the original, now under its backup
    // name, while the new track takes the name.
    platform::PosixFileSystem posix;
    platform::File holder(posix, dir.path("game/track.imc"), platform::OpenMode::ReadExisting);
    ASSERT_TRUE(holder.isOpen());
    const Result r = run("convert " + quote(dir.path("song.wav")) + " " + track);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path("game/track.imc")), engineOutput(dir.path("song.wav")));
    EXPECT_EQ(readFile(dir.path("game/track.imc.bak")), kOriginal);
    std::uint8_t first[8] = {};
    EXPECT_EQ(holder.read(first, 8).count, 8u);
    EXPECT_EQ(Bytes(first, first + 8), kOriginal);
}

TEST_F(RealFaults, AFifoIsRefusedAtOnceAsSourceAndForInspection) {
    ASSERT_EQ(::mkfifo(dir.path("pipe.wav").c_str(), 0666), 0);
    // `timeout` ends a run that hangs in the open, which would wait for a writer for ever;
    // with SIGKILL, since the program catches SIGTERM.
    const Result converted =
        run("convert " + quote(dir.path("pipe.wav")) + " " + track, "timeout -s KILL 10 ");
    EXPECT_EQ(converted.status, 1);
    EXPECT_EQ(converted.err,
              "Could not open file " + dir.path("pipe.wav") + "\nIMC Generation Failed!\n");
    expectTheOriginalInPlace();
    const Result inspected = run("inspect " + quote(dir.path("pipe.wav")), "timeout -s KILL 10 ");
    EXPECT_EQ(inspected.status, 1);
    EXPECT_EQ(inspected.err, "corvan-cli: " + dir.path("pipe.wav") + ": cannot open the file\n");
}

TEST_F(RealFaults, ATargetInAFolderTheUserMayNotWriteIsReportedWithTheReason) {
    fs::create_directories(dir.path("locked"));
    fs::permissions(dir.path("locked"), fs::perms(0555));
    const Result r =
        run("convert " + quote(dir.path("song.wav")) + " " + quote(dir.path("locked/new.imc")));
    fs::permissions(dir.path("locked"), fs::perms::owner_all);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "corvan-cli: " + dir.path("locked/new.imc") +
                         ": cannot create it: Permission denied\nIMC Generation Failed!\n");
    EXPECT_FALSE(fs::exists(dir.path("locked/new.imc")));
}

TEST_F(RealFaults, TheBuiltProgramTellsItsVersion) {
    const Result r = run("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "corvan-cli 1.0\n");
}

// A signal in the middle of the copy: the track and its older backup are as they were, no
// temporary file is left, and the exit status names the signal.
TEST_F(RealFaults, ASignalDuringTheCopyPutsEverythingBack) {
    const std::string source = sparseSource(384ULL << 20);
    const Bytes older = {'G', 'A', 'M', 'E'};
    writeShared("game/track.imc.bak", older);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        const auto before = gameFolder();
        const pid_t pid =
            startProcess({dir.path("corvan-cli"), "convert", source, dir.path("game/track.imc")},
                         dir.path("out"), dir.path("err"), {"XDG_DATA_HOME=" + dir.path("data")});
        ASSERT_GT(pid, 0);
        // Once the new track has grown, the copy is under way.
        const bool copying = waitUntil([&] {
            struct stat info {};
            return ::stat(dir.path("game/track.imc").c_str(), &info) == 0 && info.st_size > 1000000;
        });
        ::kill(pid, signal);
        const int status = waitProcess(pid);
        ASSERT_TRUE(copying);
        EXPECT_EQ(status, 128 + signal) << slurp(dir.path("err"));
        EXPECT_EQ(readFile(dir.path("game/track.imc")), kOriginal);
        EXPECT_EQ(readFile(dir.path("game/track.imc.bak")), older);
        EXPECT_EQ(gameFolder(), before) << "no temporary file is left";
    }
}

// A closed or full standard output loses the debug texts, never the conversion.
TEST_F(RealFaults, AClosedOrFullOutputDoesNotInterruptTheConversion) {
    const std::uint64_t size = 64ULL << 20;
    const std::string source = sparseSource(size);
    const std::string convert = quote(dir.path("corvan-cli")) + " convert --debug " +
                                quote(source) + " " + track + " 2>" + quote(dir.path("err.txt"));
    std::vector<std::string> commands = {"set -o pipefail; " + convert + " | true"};
    // A full disk as standard output: a device like /dev/full, made here, where only root may.
    if (::mknod(dir.path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
        commands.push_back(convert + " >" + quote(dir.path("full")));
    }
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        fs::remove(dir.path("game/track.imc.bak"));
        writeShared("game/track.imc", kOriginal);
        const int raw = std::system(("bash -c " + quote(command)).c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << raw;
        EXPECT_EQ(fs::file_size(dir.path("game/track.imc")), 190 + size);
        EXPECT_EQ(readFile(dir.path("game/track.imc.bak")), kOriginal);
        EXPECT_EQ(gameFolder(), (std::vector<std::string>{"track.imc", "track.imc.bak"}));
    }
}

}  // namespace
}  // namespace corvan::test
