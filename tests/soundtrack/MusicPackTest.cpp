#include "soundtrack/MusicPack.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace corvan::soundtrack {
namespace {

namespace fs = std::filesystem;

class MusicPackTest : public ::testing::Test {
protected:
    MusicPackTest() {
        fs::create_directories(temp_.path("pack/music"));
        test::writeFile(temp_.path("pack/theme.flac"), {1});
        test::writeFile(temp_.path("pack/music/battle.wav"), {1});
        test::writeFile(temp_.path("secret.wav"), {1});
        fs::create_symlink(temp_.path("secret.wav"), temp_.path("pack/escape.wav"));
    }

    std::string write(const std::string& text) {
        const std::string path = temp_.path("pack/pack.toml");
        test::writeFile(path, test::Bytes(text.begin(), text.end()));
        return path;
    }

    test::TempDir temp_;
};

TEST_F(MusicPackTest, AWellFormedPackIsReadWithItsDefaults) {
    const MusicPack pack = readMusicPack(write(R"(name = "My soundtrack"
loudness = -18
[[track]]
replace = "TRACK01.IMC"
recording = "theme.flac"
kind = "looped"
[[track]]
replace = "track02.imc"
recording = "music/../music/battle.wav"
kind = "looped"
loop = [1.5, 62]
gain = -3
[[track]]
replace = "track03.imc"
recording = "theme.flac"
kind = "queued"
)"));
    EXPECT_EQ(pack.name, "My soundtrack");
    EXPECT_EQ(pack.loudnessLufs, -18);
    ASSERT_EQ(pack.tracks.size(), 3u);
    EXPECT_TRUE(pack.tracks[0].autoLoop);
    EXPECT_EQ(pack.tracks[0].recording, fs::canonical(temp_.path("pack/theme.flac")).string());
    EXPECT_EQ(pack.tracks[1].recording,
              fs::canonical(temp_.path("pack/music/battle.wav")).string());
    EXPECT_FALSE(pack.tracks[1].autoLoop);
    EXPECT_EQ(pack.tracks[1].loopStartSeconds, 1.5);
    EXPECT_EQ(pack.tracks[1].loopEndSeconds, 62);
    EXPECT_EQ(pack.tracks[1].gainDb, -3);
    EXPECT_EQ(pack.tracks[1].line, 7);
    EXPECT_EQ(pack.tracks[2].kind, PackTrackKind::Queued);
}

TEST_F(MusicPackTest, HostileAndMalformedPacksAreRefusedWithTheirPlace) {
    const std::string track = "[[track]]\nreplace = \"track01.imc\"\nkind = \"looped\"\n";
    const std::string secret = temp_.path("secret.wav");
    struct Case {
        std::string text;
        std::string place;  // line:column
        std::string reason;
    };
    const Case cases[] = {
        {"[[track]]\nreplace = \"../x.imc\"\nrecording = \"theme.flac\"\nkind = \"queued\"\n",
         ":2:11:", "plain name"},
        {"[[track]]\nreplace = \"sub\\\\x.imc\"\nrecording = \"theme.flac\"\nkind = \"queued\"\n",
         ":2:11:", "plain name"},
        {"[[track]]\nreplace = \"track01.wav\"\nrecording = \"theme.flac\"\nkind = \"queued\"\n",
         ":2:11:", "plain name"},
        {track + "recording = \"" + secret + "\"\n", ":4:13:", "named from it"},
        {track + "recording = \"../secret.wav\"\n", ":4:13:", "outside the pack"},
        {track + "recording = \"escape.wav\"\n", ":4:13:", "outside the pack"},
        {track + "recording = \"missing.flac\"\n", ":4:13:", "not there"},
        {track + "recording = \"theme.flac\"\nloop = [5, 2]\n", ":5:8:", "end after"},
        {track + "recording = \"theme.flac\"\nloop = \"sometimes\"\n", ":5:8:", "\"auto\" or"},
        {"[[track]]\nreplace = \"a.imc\"\nrecording = \"theme.flac\"\nkind = \"queued\"\n"
         "loop = \"auto\"\n",
         ":5:8:", "no loop"},
        {track + "recording = \"theme.flac\"\nvolume = 3\n", ":5:1:", "unknown key"},
        {"loudness = 5\n" + track + "recording = \"theme.flac\"\n", ":1:12:", "between"},
        {track + "recording = \"theme.flac\"\n" + track + "recording = \"theme.flac\"\n",
         ":5:1:", "replaced twice"},
        {"name = \"unfinished\n", ":1:", ""},
        {"name = \"no tracks\"\n", ":1:1:", "no [[track]]"},
    };
    for (const Case& c : cases) {
        try {
            readMusicPack(write(c.text));
            ADD_FAILURE() << "accepted:\n" << c.text;
        } catch (const PackError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("pack.toml" + c.place), std::string::npos) << message;
            EXPECT_NE(message.find(c.reason), std::string::npos) << message;
        }
    }
}

}  // namespace
}  // namespace corvan::soundtrack
