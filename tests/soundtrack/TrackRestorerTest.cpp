#include "engine/ImcBuilder.h"
#include "engine/TrackReplacement.h"
#include "platform/PosixFileSystem.h"
#include "soundtrack/TrackRestorer.h"
#include "support/Fakes.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace corvan::soundtrack {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using Outcome = RestoreResult::Outcome;

void replace(const std::string& source, const std::string& target, OriginalsKeeper* keeper) {
    platform::PosixFileSystem files;
    test::FakeUserInterface user;
    test::FakeInputs inputs;
    ImcBuilder builder(files, user, inputs);
    replaceTrack(builder, files, user, source, target, OriginalTrack::Required, keeper);
}

TEST(TrackRestorer, GivesBackTheGameTrackFromWhereverItIsKeptAndLosesNothing) {
    enum class Setup { KeptTwiceReplaced, OnlyTheBackup, NeverReplaced, NothingKept };
    struct Case {
        const char* name;
        Setup setup;
        bool trashWorks;
        int failRename;  // the nth rename of the file layer fails; 0: none
        Outcome outcome;
        const char* message;
    };
    const Case cases[] = {
        {"kept, replaced twice", Setup::KeptTwiceReplaced, true, 0, Outcome::Restored,
         "the Corvan track went to the trash"},
        {"kept, no trash", Setup::KeptTwiceReplaced, false, 0, Outcome::Restored,
         "stays beside it as track 01.imc.replaced"},
        {"from the backup", Setup::OnlyTheBackup, true, 0, Outcome::Restored, "is back"},
        {"already the game's", Setup::NeverReplaced, true, 0, Outcome::NothingToRestore,
         "the game's own track already"},
        {"nothing kept", Setup::NothingKept, true, 0, Outcome::NothingToRestore, "no original"},
        {"the last step fails", Setup::KeptTwiceReplaced, true, 1, Outcome::Failed,
         "cannot put the original in place"},
        {"the last step fails, no trash", Setup::KeptTwiceReplaced, false, 2, Outcome::Failed,
         "cannot put the original in place"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir temp;
        fs::create_directories(temp.path("game/music"));
        const std::string track = temp.path("game/music/track 01.imc");
        const Bytes original = test::patternBytes(50000);
        test::writeFile(track, original);
        test::writeFile(temp.path("a.wav"), test::gameReadyWav(3000));
        test::writeFile(temp.path("b.wav"), test::gameReadyWav(4000));
        OriginalsStore store(temp.path("data/corvan/originals"));
        switch (c.setup) {
            case Setup::KeptTwiceReplaced:
                replace(temp.path("a.wav"), track, &store);
                replace(temp.path("b.wav"), track, &store);
                break;
            case Setup::OnlyTheBackup:
                replace(temp.path("a.wav"), track, nullptr);
                break;
            case Setup::NeverReplaced:
                break;
            case Setup::NothingKept:
                replace(temp.path("a.wav"), track, nullptr);
                replace(temp.path("b.wav"), track, nullptr);
                break;
        }
        if (!c.trashWorks) test::writeFile(temp.path("blocked"), {0});
        platform::FreedesktopTrash trash(c.trashWorks ? temp.path("data") : temp.path("blocked"));
        const Bytes before = test::readFile(track);
        const auto folderBefore = temp.names("game/music");

        platform::PosixFileSystem posix;
        test::FaultyFileSystem files(posix);
        if (c.failRename) files.failNth(test::FileOp::Rename, c.failRename);
        const RestoreResult result = TrackRestorer(files, store, trash).restore(track);

        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_NE(result.message.find(c.message), std::string::npos) << result.message;
        if (c.outcome != Outcome::Restored) {
            EXPECT_EQ(test::readFile(track), before);
            EXPECT_EQ(temp.names("game/music"), folderBefore);
            if (fs::exists(temp.path("data/Trash/files"))) {
                EXPECT_TRUE(temp.names("data/Trash/files").empty());
            }
            continue;
        }
        EXPECT_EQ(test::readFile(track), original);
        if (c.setup == Setup::OnlyTheBackup) {
            EXPECT_EQ(test::readFile(track + ".bak"), original);
        }
        if (c.setup != Setup::KeptTwiceReplaced) continue;
        const std::string replaced =
            c.trashWorks ? temp.path("data/Trash/files/track 01.imc") : track + ".replaced";
        EXPECT_EQ(test::readFile(replaced), before);
        if (c.trashWorks) {
            const Bytes info = test::readFile(temp.path("data/Trash/info/track 01.imc.trashinfo"));
            const std::string text(info.begin(), info.end());
            EXPECT_NE(
                text.find("[Trash Info]\nPath=" + fs::canonical(temp.path("game/music")).string() +
                          "/track%2001.imc\nDeletionDate="),
                std::string::npos)
                << text;
        }
    }
}

}  // namespace
}  // namespace corvan::soundtrack
