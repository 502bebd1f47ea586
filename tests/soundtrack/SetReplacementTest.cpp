#include "platform/PosixFileSystem.h"
#include "soundtrack/SetReplacement.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <map>

namespace corvan::soundtrack {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::FileOp;
using Folder = std::map<std::string, Bytes>;

Folder contents(const std::string& folder) {
    Folder files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = test::readFile(entry.path().string());
    return files;
}

class CountingKeeper final : public OriginalsKeeper {
public:
    std::optional<std::string> keepOriginal(const std::string& track) override {
        kept.push_back(fs::path(track).filename().string());
        return std::nullopt;
    }
    std::vector<std::string> kept;
};

// Three tracks, the first and last with an older backup, each with its new track staged.
struct MusicFolder {
    test::TempDir temp;
    std::string folder = temp.path("music");
    Folder before;
    std::vector<StagedTrack> set = {
        {"t1.imc", ".t1.new"}, {"t2.imc", ".t2.new"}, {"T3.IMC", ".T3.new"}};

    MusicFolder() {
        fs::create_directories(folder);
        for (const char* name : {"t1.imc", "t1.imc.bak", "t2.imc", "T3.IMC", "T3.IMC.bak"})
            test::writeFile(folder + "/" + name, Bytes(name, name + 6));
        before = contents(folder);
        for (const StagedTrack& track : set)
            test::writeFile(folder + "/" + track.staged, Bytes(3, 'N'));
    }
};

TEST(SetReplacement, TheWholeSetGoesInPlaceWithItsBackups) {
    MusicFolder music;
    platform::PosixFileSystem files;
    CountingKeeper keeper;
    std::vector<std::string> notKept;
    EXPECT_EQ(SetReplacement(files, music.folder).apply(music.set, &keeper, notKept), std::nullopt);
    const Folder after = contents(music.folder);
    const Folder expected = {{"t1.imc", Bytes(3, 'N')}, {"t1.imc.bak", music.before["t1.imc"]},
                             {"t2.imc", Bytes(3, 'N')}, {"t2.imc.bak", music.before["t2.imc"]},
                             {"T3.IMC", Bytes(3, 'N')}, {"T3.IMC.bak", music.before["T3.IMC"]}};
    EXPECT_EQ(after, expected);
    EXPECT_EQ(keeper.kept, (std::vector<std::string>{"t1.imc", "t2.imc", "T3.IMC"}));
}

TEST(SetReplacement, AnyFailedStepStopOrKillLeavesTheFolderAsItWas) {
    // t1: older backup aside, track to its backup name, new track in place; t2: two; T3: three.
    constexpr int kRenames = 8;
    for (int nth = 1; nth <= kRenames + 1; ++nth) {
        for (const bool killed : {false, true}) {
            if (killed && nth > kRenames) continue;
            SCOPED_TRACE("rename " + std::to_string(nth) + (killed ? ", killed" : ""));
            MusicFolder music;
            platform::PosixFileSystem posix;
            test::FaultyFileSystem files(posix);
            if (nth <= kRenames) {
                // A kill: nothing after the failed step happens until the next run.
                files.inject(FileOp::Rename, test::FaultyFileSystem::Action::Fail, nth,
                             killed ? INT_MAX : nth);
                if (killed)
                    files.inject(FileOp::Remove, test::FaultyFileSystem::Action::Fail, 1, INT_MAX);
            } else {
                files.stopAfterReads = 0;  // a stop requested once the first track is in place
            }
            std::vector<std::string> notKept;
            const auto error =
                SetReplacement(files, music.folder).apply(music.set, nullptr, notKept);
            ASSERT_TRUE(error);
            if (killed) {
                EXPECT_TRUE(fs::exists(music.folder + "/" + SetReplacement::kJournalName));
                EXPECT_EQ(SetReplacement(posix, music.folder).recover(), std::nullopt);
            }
            EXPECT_EQ(contents(music.folder), music.before) << *error;
        }
    }
}

TEST(SetReplacement, AJournalThatNamesFilesOutsideTheFolderIsRefused) {
    MusicFolder music;
    const std::string journal = music.folder + "/" + SetReplacement::kJournalName;
    const std::string text =
        R"({"phase": "placing", "tracks": [{"target": "../victim", "staged": "x", "aside": ""}]})";
    test::writeFile(journal, Bytes(text.begin(), text.end()));
    test::writeFile(music.temp.path("victim"), {7});
    platform::PosixFileSystem files;
    const auto before = contents(music.folder);
    const auto error = SetReplacement(files, music.folder).recover();
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("damaged"), std::string::npos);
    EXPECT_EQ(contents(music.folder), before);
    EXPECT_EQ(test::readFile(music.temp.path("victim")), Bytes{7});
}

}  // namespace
}  // namespace corvan::soundtrack
