#include "audio/AudioCheck.h"
#include "audio/Signals.h"
#include "support/FakeMainWindow.h"
#include "support/TempDir.h"
#include "support/UiFixture.h"
#include "ui/tools/PrepareAudioWindow.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sndfile.h>

#include <filesystem>
#include <iterator>
#include <memory>

namespace corvan::ui {
namespace {

namespace fs = std::filesystem;

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

class PrepareAudioTest : public ::testing::Test {
protected:
    PrepareAudioWindow& open() {
        window = std::make_unique<PrepareAudioWindow>(main);
        window->show();
        return *window;
    }
    template <typename T = QLabel>
    T* part(const char* name) const {
        return test::partOf<T>(window.get(), name);
    }
    std::string text(const char* label) const { return part(label)->text().toStdString(); }
    bool prepare() const {
        part<QPushButton>("prepare")->click();
        return QTest::qWaitFor([this] { return !window->isPreparing(); });
    }

    test::TempDir dir;
    test::FakeMainWindow main;
    std::unique_ptr<PrepareAudioWindow> window;
};

TEST_F(PrepareAudioTest, AMonoRecordingIsPreparedAndSelectedInTheMainWindowReadyToSave) {
    const std::string song = dir.path("song.wav");
    ASSERT_TRUE(test::writeSine(song, kWav16, 44100, 1, 1.0, 440, -6));
    open();
    window->chooseSource(QString::fromStdString(song));
    EXPECT_EQ(text("format"), "WAV, 16-bit PCM, 44,100 Hz, 1 channel (mono), 1.0 s");
    EXPECT_EQ(text("verdict"),
              "Not game-ready:\n- its sample rate is 44,100 Hz, not 22,050 Hz\n"
              "- it has 1 channel (mono), not 2 channels (stereo)");
    const std::string prepared = dir.path("song (prepared).wav");
    EXPECT_EQ(part<QLineEdit>("output")->text().toStdString(), prepared);

    EXPECT_EQ(window->focusWidget(), part<QPushButton>("prepare"));
    part<QPushButton>("prepare")->click();
    EXPECT_EQ(window->focusWidget(), part<QPushButton>("cancel"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->isPreparing(); }));
    EXPECT_EQ(window->focusWidget(), part<QPushButton>("close"));
    EXPECT_EQ(text("result"),
              "Prepared song (prepared).wav: no sample was clipped. It is selected in the main "
              "window, ready to save.");
    const audio::AudioReport report = audio::checkAudio(prepared);
    EXPECT_TRUE(report.gameReady);
    EXPECT_EQ(report.frames, 22050);
    EXPECT_EQ(main.selected, prepared);

    // An existing file is replaced only when the user says so; No is the default.
    part<QLineEdit>("output")->setText(QString::fromStdString(dir.path("again.wav")));
    test::writeFile(dir.path("again.wav"), test::patternBytes(4));
    for (const bool replace : {false, true}) {
        std::string asked;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            if (box->defaultButton() == box->button(QMessageBox::No))
                asked = box->text().toStdString();
            (replace ? box->button(QMessageBox::Yes) : box->defaultButton())->click();
        });
        ASSERT_TRUE(prepare());
        EXPECT_NE(asked.find("again.wav"), std::string::npos) << "asked, naming it, No first";
        EXPECT_EQ(fs::file_size(dir.path("again.wav")) == 4, !replace);
        EXPECT_EQ(main.selected == dir.path("again.wav"), replace);
    }

    // While the save dialog has the main window disabled, its source stays as it is and
    // only its list is read again.
    main.takesInput = false;
    part<QLineEdit>("output")->setText(QString::fromStdString(dir.path("later.wav")));
    ASSERT_TRUE(prepare());
    EXPECT_TRUE(fs::exists(dir.path("later.wav")));
    EXPECT_EQ(main.selected, dir.path("again.wav"));
    EXPECT_EQ(main.rereads, 1);
    EXPECT_NE(text("result").find("Select it in the main window"), std::string::npos);
    EXPECT_FALSE(test::anyMessageBox());
}

TEST_F(PrepareAudioTest, CancelAndClosingTheWindowLeaveNothingBehind) {
    const std::string song = dir.path("long.wav");
    ASSERT_TRUE(test::writeSine(song, kWav16, 44100, 1, 30.0, 440, -6));
    for (const bool byClosing : {false, true}) {
        open().chooseSource(QString::fromStdString(song));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        part<QPushButton>("prepare")->click();
        ASSERT_TRUE(window->isPreparing());
        if (byClosing) {
            window->close();  // waits for the run to stop
            EXPECT_FALSE(window->isPreparing());
            QCoreApplication::processEvents();
            EXPECT_EQ(text("result"), "Preparing...") << "a run stopped by a close reports nothing";
        } else {
            part<QPushButton>("cancel")->click();
            ASSERT_TRUE(QTest::qWaitFor([this] { return !window->isPreparing(); }));
            EXPECT_EQ(text("result"), "Cancelled: nothing was written.");
        }
        // long.wav alone, no copy nor any part of one.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path("")), {}), 1) << byClosing;
        EXPECT_EQ(main.selected, "") << "the main window was left alone";
        EXPECT_EQ(main.rereads, 0);
        EXPECT_FALSE(test::anyMessageBox());
    }
}

TEST_F(PrepareAudioTest, WhatCannotBeReadOrWrittenIsSaidInTheWindow) {
    test::writeFile(dir.path("noise.wav"), test::patternBytes(1000));
    const std::string song = dir.path("song.wav");
    ASSERT_TRUE(test::writeSine(song, kWav16, 22050, 2, 0.5, 440, -6));
    open();

    window->chooseSource(QString::fromStdString(dir.path("noise.wav")));
    EXPECT_EQ(text("verdict"), "This file cannot be read as audio.");
    EXPECT_NE(text("format").find("noise.wav"), std::string::npos);
    EXPECT_FALSE(part<QPushButton>("prepare")->isEnabled());

    window->chooseSource(QString::fromStdString(song));
    EXPECT_EQ(text("verdict"), "Game-ready: the game plays it as it is.");
    const std::string nowhere = dir.path("gone/song.wav");
    part<QLineEdit>("output")->setText(QString::fromStdString(nowhere));
    ASSERT_TRUE(prepare());
    EXPECT_EQ(text("result").rfind("Not prepared: " + nowhere + ": ", 0), 0u) << text("result");
    EXPECT_EQ(main.selected, "");
    EXPECT_FALSE(test::anyMessageBox());

    // Four ways from game-ready in a window at its smallest: it grows until every line shows.
    const std::string far = dir.path("far.flac");
    ASSERT_TRUE(test::writeSine(far, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, 1, 0.5, 440, -6));
    window->resize(window->minimumSizeHint());
    window->chooseSource(QString::fromStdString(far));
    QApplication::processEvents();
    const auto* verdict = part<QLabel>("verdict");
    EXPECT_GE(verdict->height(), verdict->heightForWidth(verdict->width())) << text("verdict");
}

TEST_F(PrepareAudioTest, TheProposedNameLiesBesideTheSourceAndIsFree) {
    for (const char* taken : {"b (prepared).wav", "b (prepared 2).wav", "c (prepared 2).wav"})
        test::writeFile(dir.path(taken), test::patternBytes(1));
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
        const QString source = QString::fromStdString(dir.path(c.source));
        EXPECT_EQ(PrepareAudioWindow::proposedOutput(source).toStdString(), dir.path(c.proposed));
    }
}

}  // namespace
}  // namespace corvan::ui
