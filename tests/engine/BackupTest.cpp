#include "engine/Backup.h"
#include "engine/TrackReplacement.h"
#include "platform/PosixFileSystem.h"
#include "support/Fakes.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include <sys/stat.h>

namespace corvan::test {
namespace {

namespace fs = std::filesystem;
using Outcome = ReplacementResult::Outcome;

const Bytes kOriginal = {'O', 'R', 'I', 'G'};
const Bytes kOlder = {'O', 'L', 'D'};

// Every file in the folder with its content; a folder shows as "<dir>".
std::map<std::string, Bytes> contents(const TempDir& dir) {
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::directory_iterator(dir.path(""))) {
        const std::string name = entry.path().filename().string();
        files[name] = entry.is_regular_file() ? readFile(entry.path().string()) : Bytes{'<', '>'};
    }
    return files;
}

TEST(Backup, AnOlderBackupStaysAsideUntilTheEndAndEveryFailedStepPutsItBack) {
    TempDir dir;
    const std::string target = dir.path("song.imc");
    platform::PosixFileSystem posix;
    writeFile(target, kOriginal);
    writeFile(target + ".bak", kOlder);
    const auto before = contents(dir);

    std::string aside;
    EXPECT_FALSE(makeBackup(posix, target, aside));
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(readFile(target + ".bak"), kOriginal);
    ASSERT_FALSE(aside.empty());
    EXPECT_EQ(fs::path(aside).parent_path(), fs::path(target).parent_path());
    EXPECT_EQ(readFile(aside), kOlder);
    writeFile(target, {9});  // what a failed conversion left
    EXPECT_FALSE(restoreBackup(posix, target, aside));
    EXPECT_EQ(contents(dir), before);

    // The track cannot take the backup name: the older backup goes back at once.
    FaultyFileSystem faulty(posix);
    faulty.failNth(FileOp::Rename, 2);
    const auto error = makeBackup(faulty, target, aside);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->describe(),
              target + ": cannot rename to " + target + ".bak: Permission denied");
    EXPECT_EQ(contents(dir), before);

    // The original cannot go back: it stays under the backup name, the older backup aside,
    // and the user is told where.
    EXPECT_FALSE(makeBackup(posix, target, aside));
    FaultyFileSystem noRestore(posix);
    noRestore.failNth(FileOp::Rename, 1);
    const auto kept = restoreBackup(noRestore, target, aside);
    ASSERT_TRUE(kept);
    EXPECT_NE(kept->describe().find("the older backup is kept as " + aside), std::string::npos);
    EXPECT_EQ(readFile(target + ".bak"), kOriginal);
    EXPECT_EQ(readFile(aside), kOlder);
}

// A replacement of `target` by a 3,000-byte recording through `files`.
ReplacementResult replace(platform::FileSystem& files, const TempDir& dir,
                          const std::string& target,
                          OriginalTrack original = OriginalTrack::IfPresent,
                          const std::string& source = "") {
    if (!fs::exists(dir.path("song.wav"))) writeFile(dir.path("song.wav"), patternBytes(3000));
    FakeUserInterface user;
    FakeInputs inputs;
    ImcBuilder builder(files, user, inputs);
    return replaceTrack(builder, files, user, source.empty() ? dir.path("song.wav") : source,
                        target, original);
}

TEST(TrackReplacement, ANewTargetIsMadeWithoutTouchingAnOlderBackupOfItsName) {
    TempDir dir;
    const std::string target = dir.path("new.imc");
    writeFile(target + ".bak", {7});  // perhaps the only copy of an earlier track
    platform::PosixFileSystem posix;
    EXPECT_EQ(replace(posix, dir, target).outcome, Outcome::Converted);
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
    EXPECT_EQ(replace(files, dir, target).outcome, Outcome::Converted);
    EXPECT_EQ(readFile(target + ".bak"), (Bytes{1, 2, 3}));
}

// A run that fails, from the start or half-way through the copy, or that is told to stop,
// leaves the track and its older backup as they were, for either front end; a run that
// succeeds leaves exactly one backup, the replaced file.
TEST(TrackReplacement, AFailedOrStoppedRunLeavesTrackAndOlderBackupAsTheyWere) {
    const struct {
        const char* what;
        bool missingSource;
        int stopAfterReads;
    } cases[] = {
        {"the source does not exist", true, -1},
        {"stopped while measuring", false, 1},
        {"stopped half-way through the copy", false, 5},
        {"never stopped", false, -1},
    };
    for (const OriginalTrack original : {OriginalTrack::Required, OriginalTrack::IfPresent}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) +
                         (original == OriginalTrack::Required ? ", picked" : ", may be new"));
            TempDir dir;
            const std::string target = dir.path("track.imc");
            writeFile(target, kOriginal);
            writeFile(target + ".bak", kOlder);
            writeFile(dir.path("song.wav"), patternBytes(350000));
            const auto before = contents(dir);
            platform::PosixFileSystem posix;
            FaultyFileSystem files(posix);
            files.stopAfterReads = c.stopAfterReads;
            const ReplacementResult result =
                replace(files, dir, target, original, c.missingSource ? dir.path("gone.wav") : "");
            EXPECT_EQ(result.error, std::nullopt);
            if (c.missingSource || c.stopAfterReads >= 0) {
                EXPECT_EQ(result.outcome, Outcome::ConversionFailed);
                EXPECT_EQ(contents(dir), before);
            } else {
                EXPECT_EQ(result.outcome, Outcome::Converted);
                auto after = before;
                after["track.imc"] = readFile(target);
                after["track.imc.bak"] = kOriginal;
                EXPECT_EQ(contents(dir), after);
                EXPECT_EQ(after["track.imc"].size(), 190u + 350000u);
            }
        }
    }
}

// What must not be replaced is refused with the path and the reason before any file is
// touched, for either front end.
TEST(TrackReplacement, ATargetThatIsNoFileOrTheSourceItselfIsRefusedBeforeAnythingChanges) {
    TempDir dir;
    writeFile(dir.path("song.wav"), patternBytes(3000));
    fs::create_directories(dir.path("Music/inner"));
    ASSERT_EQ(::mkfifo(dir.path("pipe.imc").c_str(), 0644), 0);
    fs::create_hard_link(dir.path("song.wav"), dir.path("linked.imc"));
    const struct {
        const char* target;
        std::string source;
        std::string reason;
    } cases[] = {
        {"Music", "", "cannot replace it: Is a directory"},
        {"pipe.imc", "", "cannot replace it: it is not a regular file"},
        {"song.wav", "", "cannot replace it: it is the source file itself"},
        {"linked.imc", "", "cannot replace it: it is the source file itself"},
        {"song.wav", "./song.wav", "cannot replace it: it is the source file itself"},
    };
    const std::string folder = fs::current_path();
    fs::current_path(dir.path(""));
    for (const OriginalTrack original : {OriginalTrack::Required, OriginalTrack::IfPresent}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.target);
            const auto before = contents(dir);
            platform::PosixFileSystem posix;
            FaultyFileSystem files(posix);
            const ReplacementResult result =
                replace(files, dir, dir.path(c.target), original, c.source);
            EXPECT_EQ(result.outcome, Outcome::BackupFailed);
            ASSERT_TRUE(result.error);
            EXPECT_EQ(result.error->describe(), dir.path(c.target) + ": " + c.reason);
            EXPECT_EQ(contents(dir), before);
            for (const auto& call : files.calls()) {
                EXPECT_TRUE(call.op == FileOp::Status) << "only looked at, nothing done";
            }
        }
    }
    fs::current_path(folder);

    // A new target where none can be made: said before the conversion, with the reason.
    platform::PosixFileSystem posix;
    const ReplacementResult result = replace(posix, dir, dir.path("no folder/new.imc"));
    EXPECT_EQ(result.outcome, Outcome::BackupFailed);
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->describe(),
              dir.path("no folder/new.imc") + ": cannot create it: No such file or directory");
}

}  // namespace
}  // namespace corvan::test
