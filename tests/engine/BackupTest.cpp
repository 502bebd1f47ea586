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

TEST(TrackReplacement, ANewTargetIsMadeWithoutTouchingAnOlderBackupOfItsName) {
    TempDir dir;
    const std::string source = dir.path("song.wav"), target = dir.path("new.imc");
    writeFile(source, patternBytes(3000));
    writeFile(target + ".bak", {7});  // perhaps the only copy of an earlier track
    platform::PosixFileSystem posix;
    FakeUserInterface user;
    FakeInputs inputs;
    ImcBuilder builder(posix, user, inputs);
    const ReplacementResult result =
        replaceTrack(builder, posix, user, source, target, OriginalTrack::IfPresent);
    EXPECT_EQ(result.outcome, ReplacementResult::Outcome::Converted);
    EXPECT_EQ(readFile(target + ".bak"), Bytes{7});
    EXPECT_EQ(readFile(target).size(), 190u + 3000u);
}

TEST(TrackReplacement, AnExistenceTestThatFailsCannotLetTheConversionEmptyTheOriginal) {
    TempDir dir;
    const std::string source = dir.path("song.wav"), target = dir.path("track.imc");
    writeFile(source, patternBytes(3000));
    writeFile(target, {1, 2, 3});
    platform::PosixFileSystem posix;
    FaultyFileSystem files(posix);
    files.inject(FileOp::Exists, FaultyFileSystem::Action::Fail, 1);  // every test says "no"
    FakeUserInterface user;
    FakeInputs inputs;
    ImcBuilder builder(files, user, inputs);
    const ReplacementResult result =
        replaceTrack(builder, files, user, source, target, OriginalTrack::IfPresent);
    EXPECT_EQ(result.outcome, ReplacementResult::Outcome::Converted);
    EXPECT_EQ(readFile(target + ".bak"), (Bytes{1, 2, 3}));
}

}  // namespace
}  // namespace corvan::test
