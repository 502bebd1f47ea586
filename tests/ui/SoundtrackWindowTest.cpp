#include "audio/Signals.h"
#include "support/TempDir.h"
#include "ui/tools/SoundtrackWindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTableWidget>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>

namespace corvan::ui {
namespace {

namespace fs = std::filesystem;

// A made-up game in a home of the test's own, and a pack of one recording beside it.
class SoundtrackWindowTest : public ::testing::Test {
protected:
    SoundtrackWindowTest() {
        places.home = dir.path("home");
        places.dataHome = dir.path("home/.local/share");
        places.settingsFile = dir.path("config/corvan/soundtrack.ini");
        fs::create_directories(music);
        for (const char* name : {"TRACK01.IMC", "TRACK02.IMC"})
            test::writeFile(music + "/" + name, test::patternBytes(30000));
        fs::create_directories(dir.path("pack"));
        EXPECT_TRUE(test::writeSine(dir.path("pack/a.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050,
                                    2, 8.0, 440, -12));
        const std::string text =
            "name = \"one\"\n[[track]]\nreplace = \"track01.imc\"\n"
            "recording = \"a.wav\"\nkind = \"looped\"\nloop = \"auto\"\n";
        test::writeFile(dir.path("pack/pack.toml"), test::Bytes(text.begin(), text.end()));
        // The desktop's trash, which Qt finds through XDG_DATA_HOME, lies in the test's home.
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(places.dataHome));
    }
    ~SoundtrackWindowTest() override {
        hadDataHome ? qputenv("XDG_DATA_HOME", dataHome) : qunsetenv("XDG_DATA_HOME");
    }

    static void waitFor(SoundtrackWindow& window) {
        QElapsedTimer timer;
        timer.start();
        while (window.isWorking() && timer.elapsed() < 30000) QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    static QString cell(SoundtrackWindow& window, int row, int column) {
        const auto* table = window.findChild<QTableWidget*>(QStringLiteral("tracks"));
        return table->item(row, column) ? table->item(row, column)->text() : QString();
    }

    const bool hadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    test::TempDir dir;
    SoundtrackPlaces places;
    const std::string music = dir.path("home/.local/share/Steam/steamapps/common/XWA/MUSIC");
};

TEST_F(SoundtrackWindowTest, FindsTheGameAppliesAPackAndGivesTheGamesTrackBack) {
    const test::Bytes original = test::readFile(music + "/TRACK01.IMC");
    auto window = std::make_unique<SoundtrackWindow>(places);
    waitFor(*window);
    EXPECT_EQ(window->folder().toStdString(), fs::canonical(music).string());
    EXPECT_EQ(cell(*window, 0, 1), QStringLiteral("original"));

    window->applyPack(QString::fromStdString(dir.path("pack/pack.toml")));
    waitFor(*window);
    EXPECT_EQ(cell(*window, 0, 0), QStringLiteral("TRACK01.IMC"));
    EXPECT_EQ(cell(*window, 0, 1), QStringLiteral("corvan"));
    EXPECT_EQ(cell(*window, 0, 2), QStringLiteral("looped"));
    EXPECT_EQ(cell(*window, 1, 1), QStringLiteral("original"));

    window->restoreTracks({QStringLiteral("TRACK01.IMC")});
    waitFor(*window);
    EXPECT_EQ(test::readFile(music + "/TRACK01.IMC"), original);
    EXPECT_EQ(cell(*window, 0, 1), QStringLiteral("original"));
    EXPECT_EQ(dir.names("home/.local/share/Trash/files"), std::vector<std::string>{"TRACK01.IMC"});

    // A track replaced with a recording and a loop typed in seconds lands there exactly.
    window->replaceTrack(QStringLiteral("TRACK02.IMC"),
                         QString::fromStdString(dir.path("pack/a.wav")), true,
                         std::make_pair(1.0, 5.0));
    waitFor(*window);
    EXPECT_EQ(cell(*window, 1, 1), QStringLiteral("corvan"));
    const QString loop = cell(*window, 1, 4);
    EXPECT_TRUE(loop.startsWith(QStringLiteral("0:00.9")) ||
                loop.startsWith(QStringLiteral("0:01.0")))
        << loop.toStdString();

    // The folder chosen is remembered for the next window, a folder of any name.
    fs::create_directories(dir.path("elsewhere"));
    window->chooseFolder(QString::fromStdString(dir.path("elsewhere")));
    window.reset();
    SoundtrackWindow again(places);
    EXPECT_EQ(again.findChild<QComboBox*>(QStringLiteral("folders"))->itemText(0).toStdString(),
              dir.path("elsewhere"));
    waitFor(again);
}

}  // namespace
}  // namespace corvan::ui
