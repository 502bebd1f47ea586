#include "audio/AudioCheck.h"
#include "audio/AudioPreparer.h"
#include "audio/Signals.h"
#include "audio/Wording.h"
#include "loop/LandedCopy.h"
#include "loop/LoopPosition.h"
#include "loop/SeamPreview.h"
#include "support/FakeMainWindow.h"
#include "support/TempDir.h"
#include "support/UiFixture.h"
#include "ui/tools/LoopWindow.h"
#include "ui/tools/WaveformEnvelope.h"
#include "ui/tools/WaveformView.h"
#include "ui/windows/WindowFrame.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QAudioDevice>
#include <QLabel>
#include <QMediaDevices>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>

namespace corvan::ui {
namespace {

namespace fs = std::filesystem;

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

// A phrase of four notes with a tick on each, 40517 frames long at 22,050 Hz: no whole
// number of the sliders' steps, so that its loops need padding.
constexpr std::int64_t kPhrase = 40517;
double phrase(std::int64_t frame, int rate) {
    static const double notes[] = {220, 330, 262, 392};
    const double at = std::fmod(static_cast<double>(frame) * 22050 / rate, kPhrase);
    const int note = static_cast<int>(at / (kPhrase / 4.0));
    const double t = (at - note * (kPhrase / 4.0)) / 22050;
    return 0.3 * std::exp(-4 * t) * std::sin(2 * std::numbers::pi * notes[note] * t) +
           0.1 * std::exp(-60 * t) * std::sin(2 * std::numbers::pi * 1800 * t);
}

bool writePhrases(const std::string& path, int rate, int channels) {
    return test::writeSound(path, kWav16, rate, channels, 12LL * rate,
                            [rate](std::int64_t frame, int) { return phrase(frame, rate); });
}

std::string time(std::int64_t frames) {
    return audio::formatTime(loop::framesToSeconds(frames));
}

// A song of 12 s at 22,050 Hz in stereo, game-ready, beside a main window.
class LoopWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(writePhrases(song, 22050, 2));
        // The window's scratch files (the seam, a prepared copy) stay in the test's folder.
        fs::create_directory(dir.path("tmp"));
        qputenv("TMPDIR", QByteArray::fromStdString(dir.path("tmp")));
    }
    void TearDown() override {
        window.reset();
        EXPECT_TRUE(dir.names("tmp").empty()) << "the window leaves nothing behind";
        hadTmpdir ? qputenv("TMPDIR", tmpdir) : qunsetenv("TMPDIR");
    }
    LoopWindow& open() {
        window = std::make_unique<LoopWindow>(main);
        window->show();
        return *window;
    }
    template <typename T = QLabel>
    T* part(const char* name) const {
        return test::partOf<T>(window.get(), name);
    }
    std::string text(const char* label) const { return part(label)->text().toStdString(); }
    bool waitIdle() const {
        return QTest::qWaitFor(
            [this] {
                return !window->isSuggesting() && !window->isReadingWaveform() &&
                       !window->isWritingCopy();
            },
            60000);
    }
    void expectShows(const loop::LoopFrames& loop, ui::LoopSliders sliders) const {
        EXPECT_EQ(text("start"), time(loop.startFrame)) << sliders.start;
        EXPECT_EQ(text("end"), time(loop.endFrame)) << sliders.end;
        EXPECT_EQ(window->windowTitle(),
                  QStringLiteral("Loop - start %1, end %2").arg(sliders.start).arg(sliders.end));
    }

    const bool hadTmpdir = qEnvironmentVariableIsSet("TMPDIR");
    const QByteArray tmpdir = qgetenv("TMPDIR");
    test::TempDir dir;
    const std::string song = dir.path("song.wav");
    test::FakeMainWindow main;
    std::unique_ptr<LoopWindow> window;
};

TEST_F(LoopWindowTest, FollowsTheSlidersTheMusicTypeAndTheSelection) {
    const auto bytes = static_cast<std::int64_t>(fs::file_size(song));
    open();
    EXPECT_EQ(text("note"), "Select a .WAV file in the main window.");

    main.select(song);
    EXPECT_EQ(text("file"), "song.wav");
    EXPECT_EQ(text("start"), "-") << "queued music has no loop";
    EXPECT_NE(text("note").find("no loop"), std::string::npos);
    EXPECT_FALSE(part<WaveformView>("waveform")->region().has_value());
    EXPECT_EQ(window->windowTitle().toStdString(), "Loop");

    main.setLoopTo({0, 32767}, true);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(part<WaveformView>("waveform")->envelope().frames, 12 * 22050);
    const ui::LoopSliders pairs[] = {{0, 30000}, {5000, 30000}, {31000, 31000},
                                     {100, 132}, {0, 0},        {16384, 32767}};
    for (const ui::LoopSliders sliders : pairs) {
        main.setLoopTo(sliders, true);
        const loop::LoopFrames loop = loop::loopFramesFor(bytes, sliders.start, sliders.end);
        expectShows(loop, sliders);
        EXPECT_EQ(text("length"), time(loop.lengthFrames())) << sliders.end;
        const auto region = part<WaveformView>("waveform")->region();
        ASSERT_TRUE(region.has_value());
        EXPECT_DOUBLE_EQ(region->start, static_cast<double>(loop.startFrame) / (12 * 22050));
        EXPECT_DOUBLE_EQ(region->end, static_cast<double>(loop.endFrame) / (12 * 22050));
        EXPECT_EQ(text("note").empty(), sliders.start != sliders.end) << sliders.end;
        const QLabel* length = part("length");
        EXPECT_EQ(length->palette().color(length->foregroundRole()) == Qt::red,
                  sliders.start == sliders.end);
    }

    // A dragged thumb sets no value until it is let go; the times follow it all the same.
    main.setLoopTo({16384, 32767}, true, {{16384, 20000}});
    expectShows(loop::loopFramesFor(bytes, 16384, 20000), {16384, 20000});

    main.setLoopTo({16384, 32767}, false);
    EXPECT_EQ(text("length"), "-");
    EXPECT_FALSE(part<WaveformView>("waveform")->region().has_value());
    test::writeFile(dir.path("noise.wav"), test::patternBytes(1000));
    main.select(dir.path("noise.wav"));
    EXPECT_EQ(text("file"), "noise.wav") << "named, though not audio";
    EXPECT_FALSE(test::anyMessageBox());

    // A recording not yet prepared is timed as its prepared copy.
    const std::string mono = dir.path("mono.wav");
    ASSERT_TRUE(writePhrases(mono, 44100, 1));
    main.select(mono);
    main.setLoopTo({3000, 20000}, true);
    const std::int64_t preparedBytes = audio::gameWavBytes(audio::gameFramesFor(12 * 44100, 44100));
    expectShows(loop::loopFramesFor(preparedBytes, 3000, 20000), {3000, 20000});
    EXPECT_NE(text("note").find("apply once it is prepared (Tools > Prepare Audio)"),
              std::string::npos)
        << text("note");
    EXPECT_FALSE(part<QPushButton>("playSeam")->isEnabled());
    ASSERT_TRUE(waitIdle());
}

// Answers the box the next apply asks.
void answerNextBox(QMessageBox::StandardButton answer) {
    QTimer::singleShot(0, [answer] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(answer)->click();
    });
}

TEST_F(LoopWindowTest, SuggestionsAreWholePhrasesAppliedInThisFileOrInAPaddedCopy) {
    const auto bytes = static_cast<std::int64_t>(fs::file_size(song));
    main.select(song);
    open();
    part<QPushButton>("suggest")->click();
    EXPECT_TRUE(window->isSuggesting());
    EXPECT_FALSE(part<QPushButton>("apply")->isEnabled());
    ASSERT_TRUE(waitIdle());

    const std::vector<LoopWindow::Suggestion> found = window->suggestions();
    ASSERT_FALSE(found.empty());
    auto* list = part<QTreeWidget>("suggestions");
    ASSERT_EQ(list->topLevelItemCount(), static_cast<int>(found.size()));
    EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
    for (std::size_t i = 0; i < found.size(); ++i) {
        const loop::Landing& l = found[i].loop.landing;
        const auto* item = list->topLevelItem(static_cast<int>(i));
        EXPECT_EQ(l.frames.lengthFrames() % kPhrase, 0) << l.frames.startFrame;
        EXPECT_EQ(item->text(0).toStdString(),
                  time(l.frames.startFrame) + " (" + std::to_string(l.frames.startFrame) + ")");
        EXPECT_EQ(item->text(2).toStdString(), time(l.frames.lengthFrames()));
        EXPECT_EQ(item->text(3).toStdString(), loop::describeSeam(l.seam));
        EXPECT_EQ(item->text(6) == QStringLiteral("padded"), found[i].needsCopy);
        EXPECT_EQ(found[i].needsCopy,
                  l.paddingFrames > 0 ||
                      loop::loopFramesFor(bytes, l.startSlider, l.endSlider) != l.frames);
    }
    const auto padded =
        std::find_if(found.begin(), found.end(), [](const auto& s) { return s.needsCopy; });
    ASSERT_NE(padded, found.end()) << "the phrase is no whole number of steps";
    const int row = static_cast<int>(padded - found.begin());
    const loop::LoopFrames wanted = padded->loop.landing.frames;

    // No changes nothing; the copy the main window is given with its loop otherwise.
    const std::string copy = dir.path("song (looped).wav");
    const std::string second = dir.path("song (looped 2).wav");
    test::writeFile(copy, test::patternBytes(4));
    list->setCurrentItem(list->topLevelItem(row));
    answerNextBox(QMessageBox::No);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(window->isWritingCopy() || fs::exists(second) || main.looped);
    answerNextBox(QMessageBox::Yes);
    part<QPushButton>("apply")->click();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(fs::file_size(copy), 4u) << "a file of that name stays";
    ASSERT_EQ(main.selected, second);
    ASSERT_TRUE(main.looped);
    EXPECT_EQ(loop::loopFramesFor(static_cast<std::int64_t>(fs::file_size(second)),
                                  main.sliders.start, main.sliders.end),
              wanted);
    EXPECT_TRUE(audio::checkAudio(second).gameReady);
    const test::Pcm16 source = test::readPcm16(song), looped = test::readPcm16(second);
    EXPECT_EQ(looped.channel(0, 0, source.frames()), source.channel(0, 0, source.frames()));
    EXPECT_NE(text("note").find("File > Save writes exactly this loop"), std::string::npos);

    // In the copy the same loop needs nothing more, and is applied as it is.
    part<QPushButton>("suggest")->click();
    ASSERT_TRUE(waitIdle());
    const auto again = std::find_if(window->suggestions().begin(), window->suggestions().end(),
                                    [&](const auto& s) { return s.loop.landing.frames == wanted; });
    ASSERT_NE(again, window->suggestions().end());
    EXPECT_FALSE(again->needsCopy);
    main.setLoopTo({0, 0}, false);
    emit list->itemActivated(
        list->topLevelItem(static_cast<int>(again - window->suggestions().begin())), 0);
    EXPECT_TRUE(main.looped);
    EXPECT_EQ(main.sliders.start, again->loop.landing.startSlider);
    expectShows(wanted, main.sliders);

    // While the save dialog holds the main window, its loop stays as it is.
    main.setLoopTo({0, 32767}, false);
    main.takesInput = false;
    EXPECT_FALSE(window->applySuggestion(0));
    EXPECT_FALSE(main.looped);
    EXPECT_NE(text("note").find("Close the save dialog first"), std::string::npos);
    EXPECT_FALSE(test::anyMessageBox());

    // Suggestions belong to the file they were made for. Those of a recording not yet
    // game-ready are in its prepared copy, which the sliders reach only when written.
    main.takesInput = true;
    const std::string mono = dir.path("mono.wav");
    ASSERT_TRUE(writePhrases(mono, 44100, 1));
    main.select(mono);
    EXPECT_TRUE(window->suggestions().empty());
    EXPECT_EQ(list->topLevelItemCount(), 0);
    part<QPushButton>("suggest")->click();
    ASSERT_TRUE(waitIdle());
    ASSERT_FALSE(window->suggestions().empty());
    const loop::LoopFrames prepared = window->suggestions().front().loop.landing.frames;
    answerNextBox(QMessageBox::Yes);
    ASSERT_TRUE(window->applySuggestion(0));
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(main.selected, dir.path("mono (looped).wav"));
    EXPECT_EQ(main.recording->loopFor(main.sliders.start, main.sliders.end), prepared);

    // A close stops the run under way.
    part<QPushButton>("suggest")->click();
    ASSERT_TRUE(window->isSuggesting());
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->close();
    EXPECT_FALSE(window->isSuggesting() || window->isReadingWaveform());
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->suggestions().empty());
}

TEST_F(LoopWindowTest, TheSeamPlayedIsWhatPreviewWritesForTheSliders) {
    const auto bytes = static_cast<std::int64_t>(fs::file_size(song));
    main.select(song);
    // The seam is of the values, not of a thumb in motion.
    main.setLoopTo({9000, 25000}, true, {{1, 2}});
    open();
    const std::optional<QString> seam = window->writeSeam();
    ASSERT_TRUE(seam.has_value());
    EXPECT_EQ(seam->toStdString().rfind(dir.path("tmp/"), 0), 0u) << seam->toStdString();
    const std::string preview = dir.path("preview.wav");
    loop::writeSeamPreview(song, loop::loopFramesFor(bytes, 9000, 25000), preview);
    EXPECT_EQ(test::readFile(seam->toStdString()), test::readFile(preview));
    ASSERT_TRUE(waitIdle());
    // Play seam says why it cannot play.
    auto* play = part<QPushButton>("playSeam");
    if (QMediaDevices::audioOutputs().isEmpty()) {
        EXPECT_FALSE(play->isEnabled());
        EXPECT_EQ(text("audioNote"), "No audio output device: the seam cannot be played here.");
    } else {
        EXPECT_TRUE(play->isEnabled());
        EXPECT_EQ(text("audioNote"), "");
        main.setLoopTo({0, 32767}, false);
        EXPECT_FALSE(play->isEnabled());
        EXPECT_EQ(text("audioNote"), "Play seam needs a looped recording.");
    }
}

// A tool window goes beside the main window where the screen has room, shrinks before it
// covers it, and covers it only where nothing else fits.
TEST(WindowFrameTest, AToolWindowStandsBesideTheMainWindow) {
    const QSize wanted(500, 500), minimum(300, 300);
    const struct {
        QRect screen, main, placed;
    } cases[] = {
        {{0, 0, 1024, 768}, {0, 0, 427, 400}, {435, 0, 500, 500}},        // right
        {{0, 0, 1280, 800}, {700, 50, 427, 400}, {192, 50, 500, 500}},    // left
        {{0, 0, 1280, 800}, {426, 0, 427, 400}, {861, 0, 419, 500}},      // right, narrower
        {{0, 0, 1280, 800}, {426, 300, 427, 400}, {861, 300, 419, 500}},  // level as can be
        {{0, 0, 700, 1200}, {100, 0, 427, 400}, {100, 408, 500, 500}},    // below
        {{0, 0, 700, 1000}, {100, 600, 427, 400}, {100, 92, 500, 500}},   // above
        {{0, 0, 600, 500}, {100, 50, 427, 400}, {300, 50, 300, 300}},     // no room at all
    };
    for (const auto& c : cases) {
        const QRect placed = besideMainWindow(c.main, wanted, minimum, c.screen);
        EXPECT_EQ(placed, c.placed) << c.main.x() << "," << c.main.y();
    }
}

TEST(WaveformEnvelopeTest, EachColumnHoldsTheExtremesOfItsStretchOverAllChannels) {
    test::TempDir dir;
    // 8 frames: the left channel counts up in eighths, the right one is its negative.
    const std::string path = dir.path("ramp.wav");
    ASSERT_TRUE(test::writeSound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 22050, 2, 8,
                                 [](std::int64_t frame, int channel) {
                                     const double value = static_cast<double>(frame) / 8;
                                     return channel == 0 ? value : -value;
                                 }));
    const struct {
        int columns;
        std::vector<float> high, low;
    } cases[] = {
        {4, {0.125f, 0.375f, 0.625f, 0.875f}, {-0.125f, -0.375f, -0.625f, -0.875f}},
        {1, {0.875f}, {-0.875f}},
        {100,
         {0, 0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f, 0.875f},
         {0, -0.125f, -0.25f, -0.375f, -0.5f, -0.625f, -0.75f, -0.875f}},
    };
    for (const auto& c : cases) {
        const WaveformEnvelope envelope = WaveformEnvelope::of(path, c.columns);
        EXPECT_EQ(envelope.frames, 8);
        EXPECT_EQ(envelope.high, c.high) << c.columns;
        EXPECT_EQ(envelope.low, c.low) << c.columns;
    }
}

}  // namespace
}  // namespace corvan::ui
