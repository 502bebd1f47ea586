// Real faults on a real file system, met by corvan-cli run as a process: folders the user
// may not read or write, a target that another process holds, awkward names, sources that
// are no file, and a source too large for the header's numbers. Permission bits mean
// nothing to root, so as root the program runs as the unprivileged user "nobody".

#include "engine/ImcBuilder.h"
#include "platform/File.h"
#include "platform/PosixFileSystem.h"
#include "support/Fakes.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

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
        writeShared("song.wav", readFile("/usr/share/sounds/alsa/Front_Right.wav"));
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

    Result run(const std::string& arguments) {
        return runProcess(asTheUser() + quote(dir.path("corvan-cli")) + " " + arguments,
                          dir.path("out"), dir.path("err"));
    }

    // Whether the unprivileged user can read `path` at all; proves the fault is real.
    bool readableByTheUser(const std::string& path) {
        return std::system((asTheUser() + "test -r " + quote(path)).c_str()) == 0;
    }

    Bytes expectedImc(const std::string& source) {
        platform::PosixFileSystem files;
        FakeUserInterface user;
        FakeInputs inputs;
        ImcBuilder(files, user, inputs).convertWav(source, dir.path("expected.imc"));
        return readFile(dir.path("expected.imc"));
    }

    void expectTheOriginalInPlace() {
        EXPECT_EQ(readFile(dir.path("game/track.imc")), kOriginal);
        EXPECT_FALSE(fs::exists(dir.path("game/track.imc.bak")));
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
                         dir.path("game/track.imc.bak") + ": Permission denied\n");
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
    EXPECT_EQ(readFile(dir.path("game/track.imc")), expectedImc(dir.path("song.wav")));
    EXPECT_EQ(readFile(dir.path("game/track.imc.bak")), kOriginal);
    std::uint8_t first[8] = {};
    EXPECT_EQ(holder.read(first, 8).count, 8u);
    EXPECT_EQ(Bytes(first, first + 8), kOriginal);
}

TEST_F(RealFaults, ANameWithBlanksAndAccentsConvertsLikeAnyOther) {
    fs::create_directories(dir.path("Música"));
    fs::permissions(dir.path("Música"), fs::perms::all);
    writeShared("Música/canción 1.wav", readFile(dir.path("song.wav")));
    writeShared("Música/pista ñ 1.imc", kOriginal);
    const Result r = run("convert " + quote(dir.path("Música/canción 1.wav")) + " " +
                         quote(dir.path("Música/pista ñ 1.imc")));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path("Música/pista ñ 1.imc")), expectedImc(dir.path("song.wav")));
    EXPECT_EQ(readFile(dir.path("Música/pista ñ 1.imc.bak")), kOriginal);
}

TEST_F(RealFaults, ASourceThatIsNoFileFailsAndTheTrackStays) {
    fs::create_directories(dir.path("folder.wav"));
    fs::create_symlink(dir.path("gone.wav"), dir.path("dangling.wav"));
    for (const char* name : {"folder.wav", "dangling.wav"}) {
        SCOPED_TRACE(name);
        const Result r = run("convert " + quote(dir.path(name)) + " " + track);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("Could not open file " + dir.path(name)), std::string::npos);
        EXPECT_NE(r.err.find("IMC Generation Failed!"), std::string::npos);
        expectTheOriginalInPlace();
        EXPECT_FALSE(fs::exists(dir.path("gone.wav"))) << "the source is never created";
    }
}

TEST_F(RealFaults, ASourceOverTwoGibibytesFailsCleanlyAndQuickly) {
    // 2^31 bytes, one more than the header's numbers can hold; sparse, so it takes no disk.
    { std::ofstream(dir.path("huge.wav")).put('R'); }
    fs::resize_file(dir.path("huge.wav"), 2147483648ULL);
    fs::permissions(dir.path("huge.wav"), fs::perms(0644));
    for (const char* loop : {"", "--loop 10% 90% "}) {
        SCOPED_TRACE(loop);
        const auto started = std::chrono::steady_clock::now();
        const Result r =
            run(std::string("convert ") + loop + quote(dir.path("huge.wav")) + " " + track);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::cout << "2 GiB source " << (*loop ? "looped" : "queued") << ": failed in " << seconds
                  << " s\n";
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "IMC Generation Failed!\n");
        expectTheOriginalInPlace();
    }
}

}  // namespace
}  // namespace corvan::test
