#include "engine/ImcBuilder.h"
#include "engine/TrackReplacement.h"
#include "platform/PosixFileSystem.h"
#include "soundtrack/OriginalsStore.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace corvan::soundtrack {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

// Replaces `target` with a Corvan track made of `source`, the store keeping originals.
ReplacementResult replace(OriginalsStore& store, const std::string& source,
                          const std::string& target) {
    platform::PosixFileSystem files;
    test::FakeUserInterface user;
    test::FakeInputs inputs;
    ImcBuilder builder(files, user, inputs);
    return replaceTrack(builder, files, user, source, target, OriginalTrack::Required, &store);
}

TEST(OriginalsStore, TheGameTrackIsKeptOnceAndOutlivesEveryBackup) {
    test::TempDir temp;
    fs::create_directories(temp.path("game/MUSIC"));
    const std::string track = temp.path("game/MUSIC/track01.imc");
    const Bytes original = test::patternBytes(70000);
    test::writeFile(track, original);
    test::writeFile(temp.path("song.wav"), test::gameReadyWav(5000));
    test::writeFile(temp.path("other.wav"), test::gameReadyWav(7000));
    OriginalsStore store(temp.path("data/corvan/originals"));

    EXPECT_EQ(replace(store, temp.path("song.wav"), track).outcome,
              ReplacementResult::Outcome::Converted);
    EXPECT_EQ(replace(store, temp.path("other.wav"), track).outcome,
              ReplacementResult::Outcome::Converted);
    // Both backups now hold Corvan tracks; the store still holds the game's.
    EXPECT_NE(test::readFile(track + ".bak"), original);
    const std::optional<KeptOriginal> kept = store.find(track);
    ASSERT_TRUE(kept);
    EXPECT_EQ(test::readFile(kept->copy), original);
    EXPECT_EQ(kept->size, original.size());
    EXPECT_EQ(kept->folder, fs::canonical(temp.path("game/MUSIC")).string());
    EXPECT_TRUE(store.intact(*kept));
    ASSERT_EQ(store.list().size(), 1u);

    // A copy the disk damaged is known as such, never taken anew from a Corvan track, and
    // kept anew from a game track.
    test::writeFile(kept->copy, {1, 2, 3});
    EXPECT_FALSE(store.intact(*kept));
    replace(store, temp.path("song.wav"), track);
    EXPECT_EQ(test::readFile(kept->copy), (Bytes{1, 2, 3}));
    test::writeFile(temp.path("game/MUSIC/track02.imc"), {4, 5});
    test::writeFile(track, original);
    EXPECT_EQ(store.keepOriginal(track), std::nullopt);
    EXPECT_EQ(store.keepOriginal(temp.path("game/MUSIC/track02.imc")), std::nullopt);
    EXPECT_EQ(test::readFile(store.find(track)->copy), original);
    EXPECT_EQ(store.list().size(), 2u);

    EXPECT_FALSE(store.forgetFolder(kept->folder));
    EXPECT_TRUE(store.list().empty());
    EXPECT_FALSE(store.find(track));
}

TEST(OriginalsStore, AStoreThatCannotKeepSaysWhyAndTheReplacementGoesOn) {
    test::TempDir temp;
    const std::string track = temp.path("track01.imc");
    test::writeFile(track, {9, 9, 9});
    test::writeFile(temp.path("song.wav"), test::gameReadyWav(5000));
    test::writeFile(temp.path("blocked"), {0});  // a file where the store's folder would be
    OriginalsStore store(temp.path("blocked/originals"));

    const ReplacementResult result = replace(store, temp.path("song.wav"), track);
    EXPECT_EQ(result.outcome, ReplacementResult::Outcome::Converted);
    ASSERT_TRUE(result.originalNotKept);
    EXPECT_NE(result.originalNotKept->find("Not a directory"), std::string::npos)
        << *result.originalNotKept;
    EXPECT_EQ(test::readFile(track + ".bak"), (Bytes{9, 9, 9}));
}

}  // namespace
}  // namespace corvan::soundtrack
