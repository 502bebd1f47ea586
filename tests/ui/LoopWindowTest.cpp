#include "audio/AudioPreparer.h"
#include "audio/Signals.h"
#include "audio/Wording.h"
#include "loop/LoopPosition.h"
#include "loop/LoopSuggester.h"
#include "support/UiHarness.h"
#include "ui/LoopWindow.h"
#include "ui/WaveformEnvelope.h"
#include "ui/WaveformView.h"
#include "ui/WindowFrame.h"
#include "ui/frmSave.h"

#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QLabel>
#include <QMediaDevices>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <sndfile.h>

#include <cmath>
#include <numbers>

namespace corvan::ui {
namespace {

namespace fs = std::filesystem;
using test::MainWindowHarness;

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

// A phrase of four notes, two seconds long, played six times.
double phrase(std::int64_t frame, int rate) {
    static const double notes[] = {220, 330, 262, 392};
    const double t = static_cast<double>(frame) / rate;
    const double inNote = std::fmod(t, 0.5);
    const double hz = notes[static_cast<int>(std::fmod(t, 2.0) / 0.5)];
    return 0.3 * std::exp(-4 * inNote) * std::sin(2 * std::numbers::pi * hz * inNote);
}

bool writePhrases(const std::string& path, int rate, int channels) {
    return test::writeSound(path, kWav16, rate, channels, 12LL * rate,
                            [rate](std::int64_t frame, int) { return phrase(frame, rate); });
}

std::string time(std::int64_t frames) {
    return audio::formatTime(loop::framesToSeconds(frames));
}

class LoopWindowTest : public ::testing::Test {
protected:
    LoopWindowTest() { fs::create_directories(dir.path("music")); }
    MainWindowHarness harness() {
        return MainWindowHarness(dir.path("music"), {}, dir.path("music"));
    }
    static LoopWindow* openLoop(MainWindowHarness& h) {
        h.find<QAction>("mnuLoop")->trigger();
        LoopWindow* window = h.main->loopWindow();
        if (window == nullptr) throw std::runtime_error("no Loop window");
        return window;
    }
    template <typename T>
    static T* part(LoopWindow* window, const char* name) {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr) throw std::runtime_error(std::string("no part ") + name);
        return found;
    }
    static std::string text(LoopWindow* window, const char* label) {
        return part<QLabel>(window, label)->text().toStdString();
    }
    static bool waitIdle(LoopWindow* window) {
        return QTest::qWaitFor(
            [window] { return !window->isSuggesting() && !window->isReadingWaveform(); }, 60000);
    }

    test::TempDir dir;
};

TEST_F(LoopWindowTest, FollowsTheSlidersTheMusicTypeAndTheSelection) {
    const std::string song = dir.path("music/song.wav");
    ASSERT_TRUE(writePhrases(song, 22050, 2));
    const auto bytes = static_cast<std::int64_t>(fs::file_size(song));
    auto h = harness();
    LoopWindow* window = openLoop(h);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(h.main->isEnabled()) << "the window stands beside the main window";
    EXPECT_EQ(text(window, "note"), "Select a .WAV file in the main window.");

    ASSERT_TRUE(h.main->selectSourceFile(song));
    EXPECT_EQ(text(window, "file"), "song.wav");
    EXPECT_EQ(text(window, "start"), "-") << "queued music has no loop";
    EXPECT_NE(text(window, "note").find("no loop"), std::string::npos);
    EXPECT_FALSE(part<WaveformView>(window, "waveform")->region().has_value());
    EXPECT_EQ(window->windowTitle().toStdString(), "Loop");

    h.playLoop()->click();
    ASSERT_TRUE(waitIdle(window));
    EXPECT_EQ(part<WaveformView>(window, "waveform")->envelope().frames, 12 * 22050);
    // Each move goes through the bars; the main window's rules keep start <= end.
    const struct {
        bool moveStart;
        int to;
        int start, end;  // where the pair settles
    } moves[] = {
        {false, 30000, 0, 30000}, {true, 5000, 5000, 30000}, {true, 31000, 31000, 31000},
        {false, 100, 100, 100},   {false, 132, 100, 132},    {true, 0, 0, 132},
        {false, 0, 0, 0},         {false, 32767, 0, 32767},  {true, 16384, 16384, 32767},
    };
    for (const auto& m : moves) {
        (m.moveStart ? h.scrStart() : h.scrEnd())->setValue(m.to);
        ASSERT_EQ(h.scrStart()->value(), m.start);
        ASSERT_EQ(h.scrEnd()->value(), m.end);
        const loop::LoopFrames loop = loop::loopFramesFor(bytes, m.start, m.end);
        EXPECT_EQ(text(window, "start"), time(loop.startFrame)) << m.to;
        EXPECT_EQ(text(window, "end"), time(loop.endFrame)) << m.to;
        EXPECT_EQ(text(window, "length"), time(loop.lengthFrames())) << m.to;
        EXPECT_EQ(window->windowTitle(),
                  QStringLiteral("Loop - start %1, end %2").arg(m.start).arg(m.end));
        const auto region = part<WaveformView>(window, "waveform")->region();
        ASSERT_TRUE(region.has_value());
        EXPECT_DOUBLE_EQ(region->start, static_cast<double>(loop.startFrame) / (12 * 22050));
        EXPECT_DOUBLE_EQ(region->end, static_cast<double>(loop.endFrame) / (12 * 22050));
        EXPECT_EQ(text(window, "note").empty(), m.start != m.end) << m.to;
        const QLabel* length = part<QLabel>(window, "length");
        EXPECT_EQ(length->palette().color(length->foregroundRole()) == Qt::red, m.start == m.end);
    }

    // A dragged thumb sets no value until it is let go; the times follow it all the same.
    h.scrEnd()->setSliderDown(true);
    h.scrEnd()->setSliderPosition(20000);
    EXPECT_EQ(h.scrEnd()->value(), 32767);
    EXPECT_EQ(text(window, "end"), time(loop::loopFramesFor(bytes, 16384, 20000).endFrame));
    EXPECT_EQ(h.scrEnd()->toolTip().toStdString(),
              "Loop end: " + time(loop::loopFramesFor(bytes, 16384, 20000).endFrame));
    h.scrEnd()->setSliderDown(false);
    EXPECT_EQ(h.scrEnd()->value(), 20000);

    h.playOnce()->click();
    EXPECT_EQ(text(window, "length"), "-");
    EXPECT_FALSE(part<WaveformView>(window, "waveform")->region().has_value());
    test::writeFile(dir.path("music/noise.wav"), test::patternBytes(1000));
    ASSERT_TRUE(h.main->selectSourceFile(dir.path("music/noise.wav")));
    EXPECT_EQ(text(window, "file"), "noise.wav") << "named, though not audio";
    EXPECT_TRUE(h.user.events.empty());
    EXPECT_FALSE(test::anyMessageBox());
}

TEST_F(LoopWindowTest, ARecordingNotYetPreparedIsTimedAsItsPreparedCopy) {
    const std::string song = dir.path("music/mono.wav");
    ASSERT_TRUE(writePhrases(song, 44100, 1));
    const std::int64_t preparedBytes = audio::gameWavBytes(audio::gameFramesFor(12 * 44100, 44100));
    auto h = harness();
    ASSERT_TRUE(h.main->selectSourceFile(song));
    h.playLoop()->click();
    h.scrEnd()->setValue(20000);
    h.scrStart()->setValue(3000);
    LoopWindow* window = openLoop(h);
    const loop::LoopFrames loop = loop::loopFramesFor(preparedBytes, 3000, 20000);
    EXPECT_EQ(text(window, "start"), time(loop.startFrame));
    EXPECT_EQ(text(window, "end"), time(loop.endFrame));
    EXPECT_NE(text(window, "note").find("apply once it is prepared (Tools > Prepare Audio)"),
              std::string::npos)
        << text(window, "note");
    EXPECT_FALSE(part<QPushButton>(window, "playSeam")->isEnabled());
    ASSERT_TRUE(waitIdle(window));
}

TEST_F(LoopWindowTest, ASuggestionIsAppliedThroughTheMainWindowsControls) {
    const std::string song = dir.path("music/song.wav");
    ASSERT_TRUE(writePhrases(song, 22050, 2));
    auto h = harness();
    ASSERT_TRUE(h.main->selectSourceFile(song));
    LoopWindow* window = openLoop(h);
    part<QPushButton>(window, "suggest")->click();
    EXPECT_TRUE(window->isSuggesting());
    EXPECT_FALSE(part<QPushButton>(window, "apply")->isEnabled());
    ASSERT_TRUE(waitIdle(window));

    const std::vector<loop::LoopSuggestion>& found = window->suggestions();
    ASSERT_FALSE(found.empty());
    auto* list = part<QTreeWidget>(window, "suggestions");
    ASSERT_EQ(list->topLevelItemCount(), static_cast<int>(found.size()));
    for (std::size_t i = 0; i < found.size(); ++i) {
        const auto* item = list->topLevelItem(static_cast<int>(i));
        EXPECT_EQ(item->text(0).toStdString(), time(found[i].frames.startFrame));
        EXPECT_EQ(item->text(2).toStdString(), time(found[i].frames.lengthFrames()));
        EXPECT_EQ(item->text(3).toStdString(), found[i].words);
        EXPECT_TRUE(found[i].frames.onWholeFrames()) << "a jump must not split a frame";
    }
    EXPECT_EQ(list->currentItem(), list->topLevelItem(0));

    // From every side of the suggestion, queued music included; Enter, Apply and a double
    // click each set it.
    const int last = static_cast<int>(found.size()) - 1;
    const loop::LoopSuggestion& first = found[0];
    const struct {
        bool looped;
        int start, end;  // the main window's loop before
        const char* how;
        int row;
    } cases[] = {
        {false, 0, 0, "enter", 0},
        {true, 32767, 32767, "apply", 0},
        {true, 0, 0, "enter", last},
        {true, 0, 32767, "double", 0},
        {true, first.endSlider + 1, 32767, "apply", last},
    };
    for (const auto& c : cases) {
        (c.looped ? h.playLoop() : h.playOnce())->click();
        h.scrEnd()->setValue(c.end);
        h.scrStart()->setValue(c.start);
        list->setCurrentItem(list->topLevelItem(c.row));
        const std::string how = c.how;
        if (how == "enter") {
            QTest::keyClick(list, Qt::Key_Return);
        } else if (how == "apply") {
            part<QPushButton>(window, "apply")->click();
        } else {
            emit list->itemActivated(list->topLevelItem(c.row), 0);
        }
        const loop::LoopSuggestion& s = found[static_cast<std::size_t>(c.row)];
        EXPECT_TRUE(h.playLoop()->isChecked()) << how;
        EXPECT_TRUE(h.scrStart()->isEnabled()) << "playLoop_Click ran";
        EXPECT_EQ(h.scrStart()->value(), s.startSlider) << how << c.start;
        EXPECT_EQ(h.scrEnd()->value(), s.endSlider) << how << c.start;
        EXPECT_LE(h.scrStart()->value(), h.scrEnd()->value());
        EXPECT_EQ(window->windowTitle(),
                  QStringLiteral("Loop - start %1, end %2").arg(s.startSlider).arg(s.endSlider));
        EXPECT_EQ(text(window, "start"), time(s.frames.startFrame));
        EXPECT_EQ(text(window, "end"), time(s.frames.endFrame));
    }

    // While the save dialog holds the main window, its loop stays as it is.
    h.scrEnd()->setValue(32767);
    h.scrStart()->setValue(0);
    h.mnuSave()->trigger();
    ASSERT_FALSE(h.main->isEnabled());
    EXPECT_FALSE(window->applySuggestion(0));
    EXPECT_EQ(h.scrStart()->value(), 0);
    EXPECT_EQ(h.scrEnd()->value(), 32767);
    EXPECT_NE(text(window, "note").find("Close the save dialog first"), std::string::npos);
    h.main->saveDialog()->close();
    test::deleteClosedWindows();
    ASSERT_TRUE(h.main->isEnabled());

    // Suggestions belong to the file they were made for.
    const std::string other = dir.path("music/other.wav");
    ASSERT_TRUE(writePhrases(other, 22050, 2));
    ASSERT_TRUE(h.main->selectSourceFile(other));
    EXPECT_TRUE(window->suggestions().empty());
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_FALSE(part<QPushButton>(window, "apply")->isEnabled());
    EXPECT_EQ(text(window, "file"), "other.wav");
    ASSERT_TRUE(waitIdle(window));
    EXPECT_TRUE(h.user.events.empty());
    EXPECT_FALSE(test::anyMessageBox());
}

TEST_F(LoopWindowTest, PlaySeamSaysWhyItCannotPlay) {
    const std::string song = dir.path("music/song.wav");
    ASSERT_TRUE(writePhrases(song, 22050, 2));
    auto h = harness();
    ASSERT_TRUE(h.main->selectSourceFile(song));
    h.playLoop()->click();
    LoopWindow* window = openLoop(h);
    ASSERT_TRUE(waitIdle(window));
    auto* play = part<QPushButton>(window, "playSeam");
    if (QMediaDevices::audioOutputs().isEmpty()) {
        EXPECT_FALSE(play->isEnabled());
        EXPECT_EQ(text(window, "audioNote"),
                  "No audio output device: the seam cannot be played here.");
    } else {
        EXPECT_TRUE(play->isEnabled());
        EXPECT_EQ(text(window, "audioNote"), "");
        h.playOnce()->click();
        EXPECT_FALSE(play->isEnabled());
        EXPECT_EQ(text(window, "audioNote"), "Play seam needs a looped recording.");
    }
}

TEST_F(LoopWindowTest, TheSeamPlayedIsTheLoopEndFollowedByTheLoopStart) {
    const std::string song = dir.path("music/song.wav");
    ASSERT_TRUE(writePhrases(song, 22050, 2));
    const auto bytes = static_cast<std::int64_t>(fs::file_size(song));
    auto h = harness();
    ASSERT_TRUE(h.main->selectSourceFile(song));
    h.playLoop()->click();
    h.scrEnd()->setValue(25000);
    h.scrStart()->setValue(9000);
    LoopWindow* window = openLoop(h);
    const std::optional<QString> seam = window->writeSeam();
    ASSERT_TRUE(seam.has_value());
    const test::Pcm16 source = test::readPcm16(song);
    const test::Pcm16 played = test::readPcm16(seam->toStdString());
    const loop::LoopFrames loop = loop::loopFramesFor(bytes, 9000, 25000);
    const std::int64_t before = 4 * 22050;  // both sides lie well inside the recording
    ASSERT_EQ(played.frames(), 2 * before);
    EXPECT_EQ(played.channel(0, 0, before), source.channel(0, loop.endFrame - before, before));
    EXPECT_EQ(played.channel(1, before, before), source.channel(1, loop.startFrame, before));
    ASSERT_TRUE(waitIdle(window));
}

TEST_F(LoopWindowTest, TheSlidersShowTheirTimesInTheSelectedFile) {
    const std::string song = dir.path("music/song.wav");
    ASSERT_TRUE(writePhrases(song, 22050, 2));
    test::writeFile(dir.path("music/noise.wav"), test::patternBytes(1000));
    const auto bytes = static_cast<std::int64_t>(fs::file_size(song));
    auto h = harness();
    EXPECT_EQ(h.scrStart()->toolTip(), QString()) << "no file, nothing extra";
    ASSERT_TRUE(h.main->selectSourceFile(song));
    h.playLoop()->click();
    for (const auto& [start, end] : {std::pair{0, 32767}, {1234, 30000}, {16384, 16384}}) {
        h.scrEnd()->setValue(end);
        h.scrStart()->setValue(start);
        const loop::LoopFrames loop = loop::loopFramesFor(bytes, start, end);
        EXPECT_EQ(h.scrStart()->toolTip().toStdString(), "Loop start: " + time(loop.startFrame));
        EXPECT_EQ(h.scrEnd()->toolTip().toStdString(), "Loop end: " + time(loop.endFrame));
    }
    ASSERT_TRUE(h.main->selectSourceFile(dir.path("music/noise.wav")));
    EXPECT_EQ(h.scrStart()->toolTip(), QString()) << "not audio, no times";
    EXPECT_EQ(h.scrEnd()->toolTip(), QString());
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
