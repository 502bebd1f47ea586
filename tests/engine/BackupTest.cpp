#include "engine/Backup.h"
#include "engine/TrackReplacement.h"
#include "platform/PosixFileSystem.h"
#include "support/Fakes.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace corvan::test {
namespace {

TEST(Backup, ReplacesAnOlderBackupAndStopsAtTheFirstFailedStep) {
    TempDir dir;
    const std::string target = dir.path("song.imc");
    platform::PosixFileSystem posix;
    writeFile(target, {1});
    writeFile(target + ".bak", {2});
    EXPECT_FALSE(makeBackup(posix, target));
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(readFile(target + ".bak"), Bytes{1});

    // A failed delete of the older backup leaves both files as they were.
    writeFile(target, {3});
    FaultyFileSystem faulty(posix);
    faulty.failNth(FileOp::Remove, 1);
    const auto error = makeBackup(faulty, target);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->describe(), target + ".bak: cannot delete: Permission denied");
    EXPECT_EQ(readFile(target), Bytes{3});
    EXPECT_EQ(readFile(target + ".bak"), Bytes{1});

    // Restoring replaces what a failed conversion left under the name.
    EXPECT_FALSE(restoreBackup(posix, target));
    EXPECT_EQ(readFile(target), Bytes{1});
    EXPECT_FALSE(std::filesystem::exists(target + ".bak"));
}

// A replacement of `target` by a 3,000-byte recording through `files`, as corvan-cli runs it.
ReplacementResult replaceAsTheCommandLine(platform::FileSystem& files, const TempDir& dir,
                                          const std::string& target) {
    writeFile(dir.path("song.wav"), patternBytes(3000));
    FakeUserInterface user;
    FakeInputs inputs;
    ImcBuilder builder(files, user, inputs);
    return replaceTrack(builder, files, user, dir.path("song.wav"), target,
                        OriginalTrack::IfPresent);
}

TEST(TrackReplacement, ANewTargetIsMadeWithoutTouchingAnOlderBackupOfItsName) {
    TempDir dir;
    const std::string target = dir.path("new.imc");
    writeFile(target + ".bak", {7});  // perhaps the only copy of an earlier track
    platform::PosixFileSystem posix;
    EXPECT_EQ(replaceAsTheCommandLine(posix, dir, target).outcome,
              ReplacementResult::Outcome::Converted);
    EXPECT_EQ(readFile(target + ".bak"), Bytes{7});
    EXPECT_EQ(readFile(target).size(), 190u + 3000u);
}

TEST(TrackReplacement, AnExistenceTestThatFailsCannotLetTheConversionEmptyTheOriginal) {
    TempDir dir;
    const std::string target = dir.path("track.imc");
    writeFile(target, {1, 2, 3});
    platform::PosixFileSystem posix;
    FaultyFileSystem files(posix);
    files.inject(FileOp::Exists, FaultyFileSystem::Action::Fail, 1);  // every test says "no"
    EXPECT_EQ(replaceAsTheCommandLine(files, dir, target).outcome,
              ReplacementResult::Outcome::Converted);
    EXPECT_EQ(readFile(target + ".bak"), (Bytes{1, 2, 3}));
}

}  // namespace
}  // namespace corvan::test
