#include "audio/Signals.h"
#include "support/UiHarness.h"

#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QToolTip>

#include <sndfile.h>

namespace corvan::ui {
namespace {

namespace fs = std::filesystem;

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

class GameReadyHintTest : public ::testing::Test {
protected:
    GameReadyHintTest() { fs::create_directories(dir.path("music")); }
    test::MainWindowHarness harness() {
        return test::MainWindowHarness(dir.path("music"), {}, dir.path("music"));
    }

    test::TempDir dir;
};

// The selected source file carries a warning when the game cannot play it as it is, and
// nothing when it can.
TEST_F(GameReadyHintTest, TheSelectedFileShowsAHintWhileItIsNotGameReady) {
    ASSERT_TRUE(test::writeSine(dir.path("music/mono.wav"), kWav16, 44100, 1, 0.2, 440, -6));
    ASSERT_TRUE(test::writeSine(dir.path("music/ready.wav"), kWav16, 22050, 2, 0.2, 440, -6));
    test::writeFile(dir.path("music/noise.wav"), test::patternBytes(1000));
    test::writeFile(dir.path("music/empty.wav"), {});
    ASSERT_TRUE(test::writeSine(dir.path("music/flac.wav"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16,
                                22050, 2, 0.2, 440, -6));
    auto h = harness();
    ui::FileList* files = h.srcFile();
    const auto row = [files](const char* name) {
        return files->findItems(QString::fromLatin1(name), Qt::MatchExactly).front();
    };
    const auto toolTip = [files](QListWidgetItem* item) {
        const QPoint at = files->visualItemRect(item).center();
        QHelpEvent help(QEvent::ToolTip, at, files->viewport()->mapToGlobal(at));
        QApplication::sendEvent(files->viewport(), &help);
        return QToolTip::text().toStdString();
    };

    files->setFileName("mono.wav");
    EXPECT_FALSE(row("mono.wav")->icon().isNull());
    EXPECT_EQ(toolTip(row("mono.wav")),
              "mono.wav\nThe game will not play this as it is:\n"
              "- its sample rate is 44,100 Hz, not 22,050 Hz\n"
              "- it has 1 channel (mono), not 2 channels (stereo)\n"
              "Tools > Prepare Audio... makes a copy that it plays.");
    EXPECT_TRUE(h.mnuSave()->isEnabled()) << "a hint, not a refusal";

    const struct {
        const char* select;
        const char* why;
    } quiet[] = {{"ready.wav", "game-ready"}, {"", "no selection"}};
    for (const auto& c : quiet) {
        files->setFileName("mono.wav");
        files->setFileName(c.select);
        EXPECT_TRUE(row("mono.wav")->icon().isNull()) << c.why;
        EXPECT_TRUE(files->selectedNote().isEmpty()) << c.why;
        if (*c.select != '\0') {
            EXPECT_TRUE(row(c.select)->icon().isNull()) << c.why;
            EXPECT_EQ(toolTip(row(c.select)), c.select);
        }
    }
    // What is no WAV the game can play, or no audio at all, is marked as well.
    for (const char* name : {"noise.wav", "empty.wav", "flac.wav"}) {
        files->setFileName(name);
        EXPECT_FALSE(row(name)->icon().isNull()) << name;
        EXPECT_NE(toolTip(row(name)), name);
    }
    EXPECT_TRUE(h.user.events.empty());
    EXPECT_FALSE(test::anyMessageBox());
}

}  // namespace
}  // namespace corvan::ui
