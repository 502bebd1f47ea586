#include "audio/AudioCheck.h"
#include "audio/Signals.h"
#include "support/UiHarness.h"
#include "ui/PrepareAudioWindow.h"
#include "ui/frmSave.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sndfile.h>

namespace corvan::ui {
namespace {

namespace fs = std::filesystem;
using test::MainWindowHarness;

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

std::vector<std::string> namesIn(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The main window works in "music"; recordings lie on a second volume, "usb".
class PrepareAudioTest : public ::testing::Test {
protected:
    PrepareAudioTest() {
        fs::create_directories(dir.path("music"));
        fs::create_directories(dir.path("usb"));
    }
    MainWindowHarness harness() {
        return MainWindowHarness(dir.path("music"), {dir.path("usb")}, dir.path("music"));
    }
    static PrepareAudioWindow* openTools(MainWindowHarness& h) {
        h.find<QAction>("mnuPrepareAudio")->trigger();
        return h.main->prepareAudioWindow();
    }
    template <typename T>
    static T* part(PrepareAudioWindow* window, const char* name) {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr) throw std::runtime_error(std::string("no part ") + name);
        return found;
    }
    static std::string text(PrepareAudioWindow* window, const char* label) {
        return part<QLabel>(window, label)->text().toStdString();
    }

    test::TempDir dir;
};

TEST_F(PrepareAudioTest, AMonoRecordingIsPreparedAndSelectedInTheMainWindowReadyToSave) {
    const std::string song = dir.path("usb/song.wav");
    ASSERT_TRUE(test::writeSine(song, kWav16, 44100, 1, 1.0, 440, -6));
    auto h = harness();
    PrepareAudioWindow* window = openTools(h);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(h.main->isEnabled()) << "the window stands beside the main window";

    window->chooseSource(QString::fromStdString(song));
    EXPECT_EQ(text(window, "format"), "WAV, 16-bit PCM, 44,100 Hz, 1 channel (mono), 1.0 s");
    EXPECT_EQ(text(window, "verdict"),
              "Not game-ready:\n- its sample rate is 44,100 Hz, not 22,050 Hz\n"
              "- it has 1 channel (mono), not 2 channels (stereo)");
    const std::string prepared = dir.path("usb/song (prepared).wav");
    EXPECT_EQ(part<QLineEdit>(window, "output")->text().toStdString(), prepared);

    EXPECT_EQ(window->focusWidget(), part<QPushButton>(window, "prepare"));
    part<QPushButton>(window, "prepare")->click();
    EXPECT_EQ(window->focusWidget(), part<QPushButton>(window, "cancel"));
    ASSERT_TRUE(QTest::qWaitFor([window] { return !window->isPreparing(); }));
    EXPECT_EQ(window->focusWidget(), part<QPushButton>(window, "close"));
    EXPECT_EQ(text(window, "result"),
              "Prepared song (prepared).wav: no sample was clipped. It is selected in the main "
              "window, ready to save.");
    const audio::AudioReport report = audio::checkAudio(prepared);
    EXPECT_TRUE(report.gameReady);
    EXPECT_EQ(report.frames, 22050);

    // Reached through the main window's own lists: the volume, the folder, then the file.
    EXPECT_EQ(h.srcDrive()->drive(), h.volumes.volumes()[1].driveText);
    EXPECT_EQ(h.srcDir()->path(), dir.path("usb"));
    EXPECT_EQ(h.srcFile()->path(), dir.path("usb"));
    EXPECT_EQ(h.srcFile()->fileName(), "song (prepared).wav");
    EXPECT_TRUE(h.mnuSave()->isEnabled());
    EXPECT_TRUE(h.srcFile()->selectedNote().isEmpty()) << "the copy is game-ready";
    EXPECT_TRUE(h.user.events.empty());
    EXPECT_FALSE(test::anyMessageBox());

    // Prepared again into the folder the lists already show: the new file is listed too.
    part<QLineEdit>(window, "output")->setText(QString::fromStdString(dir.path("usb/again.wav")));
    part<QPushButton>(window, "prepare")->click();
    ASSERT_TRUE(QTest::qWaitFor([window] { return !window->isPreparing(); }));
    EXPECT_EQ(h.srcFile()->fileName(), "again.wav");

    // An existing file is replaced only when the user says so; No is the default.
    test::writeFile(dir.path("usb/again.wav"), test::patternBytes(4));
    for (const bool replace : {false, true}) {
        std::string asked;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            if (box->defaultButton() == box->button(QMessageBox::No))
                asked = box->text().toStdString();
            (replace ? box->button(QMessageBox::Yes) : box->defaultButton())->click();
        });
        part<QPushButton>(window, "prepare")->click();
        ASSERT_TRUE(QTest::qWaitFor([window] { return !window->isPreparing(); }));
        EXPECT_NE(asked.find("again.wav"), std::string::npos) << "asked, naming it, No first";
        EXPECT_EQ(fs::file_size(dir.path("usb/again.wav")) == 4, !replace);
    }

    // While the save dialog has the main window disabled, its source stays as it is.
    h.mnuSave()->trigger();
    ASSERT_FALSE(h.main->isEnabled());
    part<QLineEdit>(window, "output")->setText(QString::fromStdString(dir.path("usb/later.wav")));
    part<QPushButton>(window, "prepare")->click();
    ASSERT_TRUE(QTest::qWaitFor([window] { return !window->isPreparing(); }));
    EXPECT_TRUE(fs::exists(dir.path("usb/later.wav")));
    EXPECT_EQ(h.srcFile()->fileName(), "again.wav");
    EXPECT_EQ(h.srcFile()->findItems(QStringLiteral("later.wav"), Qt::MatchExactly).size(), 1);
    EXPECT_NE(text(window, "result").find("Select it in the main window"), std::string::npos);
    h.main->saveDialog()->close();  // a selected file that went takes Save with it
    fs::remove(dir.path("usb/again.wav"));
    ASSERT_TRUE(test::showActive(window));
    ASSERT_TRUE(test::showActive(h.main.get()));
    EXPECT_EQ(h.srcFile()->fileName(), "");
    EXPECT_FALSE(h.mnuSave()->isEnabled());
}

TEST_F(PrepareAudioTest, CancelAndClosingTheWindowLeaveNothingBehind) {
    const std::string song = dir.path("usb/long.wav");
    ASSERT_TRUE(test::writeSine(song, kWav16, 44100, 1, 30.0, 440, -6));
    for (const bool byClosing : {false, true}) {
        auto h = harness();
        PrepareAudioWindow* window = openTools(h);
        window->chooseSource(QString::fromStdString(song));
        part<QPushButton>(window, "prepare")->click();
        ASSERT_TRUE(window->isPreparing());
        if (byClosing) {
            window->close();  // waits for the run to stop
        } else {
            part<QPushButton>(window, "cancel")->click();
            ASSERT_TRUE(QTest::qWaitFor([window] { return !window->isPreparing(); }));
            EXPECT_EQ(text(window, "result"), "Cancelled: nothing was written.");
        }
        EXPECT_EQ(namesIn(dir.path("usb")), std::vector<std::string>{"long.wav"}) << byClosing;
        EXPECT_FALSE(h.mnuSave()->isEnabled());
        EXPECT_EQ(h.srcDir()->path(), dir.path("music")) << "the main window was left alone";
        EXPECT_TRUE(h.user.events.empty());
        EXPECT_FALSE(test::anyMessageBox());
        test::deleteClosedWindows();
    }
}

TEST_F(PrepareAudioTest, WhatCannotBeReadOrWrittenIsSaidInTheWindow) {
    test::writeFile(dir.path("usb/noise.wav"), test::patternBytes(1000));
    const std::string song = dir.path("usb/song.wav");
    ASSERT_TRUE(test::writeSine(song, kWav16, 22050, 2, 0.5, 440, -6));
    auto h = harness();
    PrepareAudioWindow* window = openTools(h);

    window->chooseSource(QString::fromStdString(dir.path("usb/noise.wav")));
    EXPECT_EQ(text(window, "verdict"), "This file cannot be read as audio.");
    EXPECT_NE(text(window, "format").find("noise.wav"), std::string::npos);
    EXPECT_FALSE(part<QPushButton>(window, "prepare")->isEnabled());

    window->chooseSource(QString::fromStdString(song));
    EXPECT_EQ(text(window, "verdict"), "Game-ready: the game plays it as it is.");
    const std::string nowhere = dir.path("gone/song.wav");
    part<QLineEdit>(window, "output")->setText(QString::fromStdString(nowhere));
    part<QPushButton>(window, "prepare")->click();
    ASSERT_TRUE(QTest::qWaitFor([window] { return !window->isPreparing(); }));
    EXPECT_EQ(text(window, "result").rfind("Not prepared: " + nowhere + ": ", 0), 0u)
        << text(window, "result");
    EXPECT_FALSE(h.mnuSave()->isEnabled());
    EXPECT_TRUE(h.user.events.empty());
    EXPECT_FALSE(test::anyMessageBox());

    // Four ways from game-ready in a window at its smallest: it grows until every line shows.
    const std::string far = dir.path("usb/far.flac");
    ASSERT_TRUE(test::writeSine(far, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, 1, 0.5, 440, -6));
    window->resize(window->minimumSizeHint());
    window->chooseSource(QString::fromStdString(far));
    QApplication::processEvents();
    const auto* verdict = part<QLabel>(window, "verdict");
    EXPECT_GE(verdict->height(), verdict->heightForWidth(verdict->width()))
        << text(window, "verdict");
}

TEST_F(PrepareAudioTest, TheProposedNameLiesBesideTheSourceAndIsFree) {
    for (const char* taken : {"b (prepared).wav", "b (prepared 2).wav", "c (prepared 2).wav"})
        test::writeFile(dir.path("usb/") + taken, test::patternBytes(1));
    const struct {
        const char* source;
        const char* proposed;
    } cases[] = {
        {"a.b.flac", "a.b (prepared).wav"},
        {"song (prepared).wav", "song (prepared) (prepared).wav"},
        {"noextension", "noextension (prepared).wav"},
        {"b.wav", "b (prepared 3).wav"},
        {"c.mp3", "c (prepared).wav"},
    };
    for (const auto& c : cases) {
        const QString source = QString::fromStdString(dir.path("usb/") + c.source);
        EXPECT_EQ(PrepareAudioWindow::proposedOutput(source).toStdString(),
                  dir.path("usb/") + c.proposed);
    }
}

}  // namespace
}  // namespace corvan::ui
