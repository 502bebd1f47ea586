#include "audio/Signals.h"
#include "audio/Wording.h"
#include "loop/LoopPosition.h"
#include "support/UiHarness.h"
#include "ui/windows/DebugSwitch.h"
#include "ui/windows/frmAbout.h"
#include "ui/windows/frmSave.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <sndfile.h>

namespace corvan::ui {
namespace {

namespace fs = std::filesystem;

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
using test::MainWindowHarness;

// Paints the frame alone, without its controls, and looks for any pixel of its border or
// caption inside a control's box.
void expectFrameClearsItsControls(const QGroupBox* frame) {
    QImage own(frame->size(), QImage::Format_ARGB32);
    own.fill(Qt::transparent);
    const_cast<QGroupBox*>(frame)->render(&own, {}, {}, QWidget::RenderFlags());
    int painted = 0;
    for (int y = 0; y < own.height(); ++y) {
        for (int x = 0; x < own.width(); ++x) painted += qAlpha(own.pixel(x, y)) != 0;
    }
    EXPECT_GT(painted, 0) << "the frame draws its border and caption";
    for (const QWidget* control : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect box = control->geometry();
        int overlap = 0;
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x <= box.right(); ++x) overlap += qAlpha(own.pixel(x, y)) != 0;
        }
        EXPECT_EQ(overlap, 0) << frame->objectName().toStdString() << " crosses "
                              << control->objectName().toStdString();
    }
}

// Tabs once round `window`: each control that the keyboard reaches looks different while it
// has the focus than once the focus has moved on.
void expectFocusShown(QWidget* window, int controls) {
    for (int step = 0; step < controls; ++step) {
        QWidget* control = QApplication::focusWidget();
        ASSERT_NE(control, nullptr);
        const QImage focused = control->grab().toImage();
        QTest::keyClick(control, Qt::Key_Tab);
        EXPECT_NE(QApplication::focusWidget(), control);
        EXPECT_NE(focused, control->grab().toImage()) << control->objectName().toStdString();
    }
    EXPECT_TRUE(window->isActiveWindow());
}

// Music in the working directory, more in a folder below it and on a second volume, and
// a third volume that cannot be read (a drive with no medium).
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        fs::create_directories(dir.path("music/more"));
        fs::create_directories(dir.path("usb"));
        for (const char* name : {"music/a.wav", "music/B.WAV", "music/more/c.wav", "usb/d.wav"}) {
            test::writeFile(dir.path(name), test::patternBytes(1000));
        }
    }
    MainWindowHarness harness(const std::vector<std::string>& arguments = {}) {
        return MainWindowHarness(dir.path("music"), {dir.path("usb"), dir.path("no medium")},
                                 dir.path("music"), arguments);
    }

    test::TempDir dir;
};

TEST_F(MainWindowTest, AfterLoadQueuedMusicIsChosenAndNothingCanBeSavedYet) {
    auto h = harness();
    EXPECT_TRUE(h.playOnce()->isChecked());
    EXPECT_FALSE(h.playLoop()->isChecked());
    EXPECT_FALSE(h.scrStart()->isEnabled());
    EXPECT_FALSE(h.scrEnd()->isEnabled());
    EXPECT_EQ(h.scrStart()->value(), 0);
    EXPECT_EQ(h.scrEnd()->value(), 0);
    EXPECT_FALSE(h.mnuSave()->isEnabled());
    EXPECT_FALSE(h.main->DEBUGFLAG());
    EXPECT_EQ(h.srcDir()->path(), dir.path("music"));
    EXPECT_EQ(h.srcFile()->path(), dir.path("music"));
    EXPECT_EQ(h.srcDrive()->drive(), "/ [root]");
    EXPECT_EQ(h.srcFile()->count(), 2);
    // What the engine reads, straight from the controls.
    EXPECT_TRUE(h.main->playOnceValue());
    EXPECT_EQ(h.main->scrStartMax(), 32767);
    EXPECT_EQ(h.main->scrEndMax(), 32767);

    ASSERT_TRUE(test::showActive(h.main.get()));
    EXPECT_EQ(QApplication::focusWidget(), h.srcDrive());
    EXPECT_EQ(h.main->windowTitle(), QStringLiteral("Corvan 1.0"));
    EXPECT_TRUE(h.user.events.empty());
}

TEST_F(MainWindowTest, DebugModeNeedsALoneUpperCaseDAndOnlyALoneVersionOrHelpPrints) {
    using enum StartupRequest;
    const struct {
        std::vector<std::string> arguments;
        bool debug;
        StartupRequest request;
    } cases[] = {{{}, false, Run},
                 {{"d"}, false, Run},
                 {{"-D"}, false, Run},
                 {{"D", "x"}, false, Run},
                 {{"D "}, false, Run},
                 {{""}, false, Run},
                 {{"D"}, true, Run},
                 {{"--version"}, false, PrintVersion},
                 {{"--help"}, false, PrintHelp},
                 {{"--version", "D"}, false, Run},
                 {{"D", "--help"}, false, Run},
                 {{"--help", "--help"}, false, Run},
                 {{"-h"}, false, Run},
                 {{"-version"}, false, Run},
                 {{"--HELP"}, false, Run},
                 {{"--version "}, false, Run}};
    for (const auto& c : cases) {
        EXPECT_EQ(debugSwitchFromArguments(c.arguments), c.debug);
        EXPECT_EQ(startupRequestFromArguments(c.arguments), c.request) << c.arguments.size();
        // The window itself makes nothing of the two requests: they never reach it.
        EXPECT_EQ(harness(c.arguments).main->DEBUGFLAG(), c.debug) << c.arguments.size();
    }
}

// The sliders' tips tell the time each stands for in the selected recording. A tool window
// reads the pair and sets it through the controls, so that their rules run on the way.
TEST_F(MainWindowTest, TheLoopEndFollowsTheStartUpAndTheStartFollowsTheEndDown) {
    const std::string song = dir.path("music/song.wav");
    ASSERT_TRUE(test::writeSine(song, kWav16, 22050, 2, 12, 440, -6));
    const auto bytes = static_cast<std::int64_t>(fs::file_size(song));
    const auto expected = [bytes](int start, int end) {
        const loop::LoopFrames loop = loop::loopFramesFor(bytes, start, end);
        return "Loop start: " + audio::formatTime(loop::framesToSeconds(loop.startFrame)) +
               ", Loop end: " + audio::formatTime(loop::framesToSeconds(loop.endFrame));
    };
    auto h = harness();
    const auto tips = [&h] {
        return (h.scrStart()->toolTip() + ", " + h.scrEnd()->toolTip()).toStdString();
    };
    ASSERT_TRUE(test::showActive(h.main.get()));
    EXPECT_EQ(tips(), ", ") << "no file, nothing extra";
    ASSERT_TRUE(h.main->selectSourceFile(song));
    QTest::mouseClick(h.playLoop(), Qt::LeftButton);
    ASSERT_TRUE(h.playLoop()->isChecked());
    EXPECT_TRUE(h.scrStart()->isEnabled());
    EXPECT_TRUE(h.scrEnd()->isEnabled());

    QSignalSpy endMoves(h.scrEnd(), &QScrollBar::valueChanged);
    QSignalSpy startMoves(h.scrStart(), &QScrollBar::valueChanged);
    h.scrStart()->setValue(20000);
    EXPECT_EQ(h.scrEnd()->value(), 20000);
    EXPECT_EQ(endMoves.count(), 1) << "the pair settles after one nested step";

    h.scrEnd()->setValue(5000);
    EXPECT_EQ(h.scrStart()->value(), 5000);
    EXPECT_EQ(startMoves.count(), 2);

    h.scrEnd()->setValue(30000);
    h.scrStart()->setValue(100);
    EXPECT_EQ(h.scrStart()->value(), 100) << "the start never follows the end up";
    EXPECT_EQ(h.scrEnd()->value(), 30000) << "nor the end the start down";

    // The user's own moves: the start dragged past the end, the end clicked back below it.
    h.scrStart()->setSliderDown(true);
    h.scrStart()->setSliderPosition(31000);
    EXPECT_EQ(h.scrEnd()->value(), 30000) << "nothing happens while the thumb is dragged";
    EXPECT_EQ(h.main->loopThumbs().start, 31000);
    EXPECT_EQ(tips(), expected(31000, 30000)) << "but the tips follow it";
    h.scrStart()->setSliderDown(false);
    EXPECT_EQ(h.scrEnd()->value(), 31000);
    h.scrEnd()->setFocus();
    QTest::keyClick(h.scrEnd(), Qt::Key_Left);
    EXPECT_EQ(h.scrEnd()->value(), 30999);
    EXPECT_EQ(h.scrStart()->value(), 30999);
    EXPECT_EQ(h.main->scrStartValue(), 30999);
    EXPECT_LE(h.main->scrStartValue(), h.main->scrEndValue());

    // Set from outside, from any loop before: Continuous Replay, then the pair as asked.
    int changes = 0;
    QObject receiver;
    h.main->onLoopChanged(&receiver, [&changes] { ++changes; });
    const struct {
        bool looped;
        int start, end, toStart, toEnd;  // the loop before, and the one set
    } cases[] = {{false, 0, 0, 0, 32767},
                 {true, 32767, 32767, 1234, 30000},
                 {true, 20001, 32767, 1000, 20000},
                 {true, 0, 32767, 5, 5}};
    for (const auto& c : cases) {
        (c.looped ? h.playLoop() : h.playOnce())->click();
        h.scrEnd()->setValue(c.end);
        h.scrStart()->setValue(c.start);
        changes = 0;
        ASSERT_TRUE(h.main->setLoop({c.toStart, c.toEnd}));
        EXPECT_TRUE(h.main->loopChosen() && h.scrStart()->isEnabled()) << "playLoop_Click ran";
        EXPECT_EQ(h.main->loopSliders().start, c.toStart) << c.start;
        EXPECT_EQ(h.main->loopSliders().end, c.toEnd) << c.start;
        EXPECT_GT(changes, 0);
        EXPECT_EQ(tips(), expected(c.toStart, c.toEnd));
    }
    // While the save dialog holds the main window, its loop stays as it is.
    h.mnuSave()->trigger();
    EXPECT_FALSE(h.main->setLoop({0, 32767}));
    EXPECT_EQ(h.main->loopSliders().start, 5);
    h.main->saveDialog()->close();
    ASSERT_TRUE(h.main->selectSourceFile(dir.path("music/a.wav")));
    EXPECT_EQ(tips(), ", ") << "not audio, no times";
}

TEST_F(MainWindowTest, SwitchingTheMusicTypeKeepsTheLoopAndOnlyTheButtonsSelect) {
    auto h = harness();
    ASSERT_TRUE(test::showActive(h.main.get()));
    QTest::mouseClick(h.find<QLabel>("lblLoop"), Qt::LeftButton);
    EXPECT_TRUE(h.playOnce()->isChecked()) << "the label beside a button selects nothing";

    QTest::mouseClick(h.playLoop(), Qt::LeftButton);
    h.scrEnd()->setValue(3000);
    h.scrStart()->setValue(1000);
    QTest::mouseClick(h.playOnce(), Qt::LeftButton);
    EXPECT_TRUE(h.main->playOnceValue());
    EXPECT_FALSE(h.main->playLoopValue());
    EXPECT_FALSE(h.scrStart()->isEnabled());
    EXPECT_FALSE(h.scrEnd()->isEnabled());
    QTest::mouseClick(h.playLoop(), Qt::LeftButton);
    EXPECT_TRUE(h.scrStart()->isEnabled());
    EXPECT_EQ(h.scrStart()->value(), 1000);
    EXPECT_EQ(h.scrEnd()->value(), 3000);
}

TEST_F(MainWindowTest, SaveFollowsTheFileSelectionAcrossDirectoryAndDriveChangesFromAnywhere) {
    auto h = harness();
    h.srcFile()->setFileName("a.wav");
    EXPECT_TRUE(h.mnuSave()->isEnabled());

    h.srcDir()->setPath(dir.path("music/more"));  // c.wav is there, but none is selected
    EXPECT_EQ(h.srcFile()->path(), dir.path("music/more"));
    EXPECT_EQ(h.srcFile()->count(), 1);
    EXPECT_FALSE(h.mnuSave()->isEnabled());
    h.srcFile()->setFileName("c.wav");
    EXPECT_TRUE(h.mnuSave()->isEnabled());

    h.srcDrive()->setDrive(h.volumes.volumes()[1].driveText);
    EXPECT_EQ(h.srcDir()->path(), dir.path("usb"));
    EXPECT_EQ(h.srcFile()->path(), dir.path("usb"));
    EXPECT_FALSE(h.mnuSave()->isEnabled());

    // Back on the first volume the lists return to the directory last shown there.
    h.srcDrive()->setDrive("/ [root]");
    EXPECT_EQ(h.srcDir()->path(), dir.path("music/more"));
    EXPECT_EQ(h.srcFile()->path(), dir.path("music/more"));
    EXPECT_FALSE(h.mnuSave()->isEnabled());
    EXPECT_TRUE(h.user.events.empty());

    // A file that a tool window selects is reached through the same lists.
    ASSERT_TRUE(h.main->selectSourceFile(dir.path("usb/d.wav")));
    EXPECT_EQ(h.srcDir()->path(), dir.path("usb"));
    EXPECT_EQ(h.main->sourceFolder() + "/" + h.main->selectedFileName(), dir.path("usb/d.wav"));
    EXPECT_TRUE(h.mnuSave()->isEnabled());
    // One new in the folder the lists show is read in first.
    test::writeFile(dir.path("usb/e.wav"), test::patternBytes(10));
    ASSERT_TRUE(h.main->selectSourceFile(dir.path("usb/e.wav")));
    // While the save dialog has the main window disabled, its source stays as it is; the
    // folder is read again on activation, where a file that went takes Save with it.
    h.mnuSave()->trigger();
    EXPECT_FALSE(h.main->selectSourceFile(dir.path("usb/d.wav")));
    EXPECT_EQ(h.main->selectedFileName(), "e.wav");
    h.main->saveDialog()->close();
    fs::remove(dir.path("usb/e.wav"));
    QWidget elsewhere;
    ASSERT_TRUE(test::showActive(&elsewhere));
    ASSERT_TRUE(test::showActive(h.main.get()));
    EXPECT_EQ(h.main->selectedFileName(), "");
    EXPECT_FALSE(h.mnuSave()->isEnabled());
}

TEST_F(MainWindowTest, ADriveThatCannotBeReadSendsTheListsBackToTheRootVolume) {
    auto h = harness();
    h.srcDir()->setPath(dir.path("music/more"));
    h.srcDrive()->setDrive(h.volumes.volumes()[1].driveText);
    ASSERT_EQ(h.srcDir()->path(), dir.path("usb"));
    ASSERT_TRUE(test::showActive(h.main.get()));

    // The user picks the volume after it, which has no medium.
    h.srcDrive()->setFocus();
    QTest::keyClick(h.srcDrive(), Qt::Key_Down);
    EXPECT_EQ(h.user.events, std::vector<std::string>{"box 0x00: Error selecting drive"});
    EXPECT_EQ(h.srcDrive()->drive(), "/ [root]");
    EXPECT_EQ(h.srcDrive()->currentText(), QStringLiteral("/ [root]"));
    EXPECT_EQ(h.srcDir()->path(), dir.path("music/more"));
    EXPECT_EQ(h.srcFile()->path(), dir.path("music/more"));
    EXPECT_FALSE(h.mnuSave()->isEnabled());
}

TEST_F(MainWindowTest, ARootVolumeThatCannotBeReadEitherGivesOneErrorAndOneReason) {
    auto h = harness();
    h.srcFile()->setFileName("a.wav");
    fs::remove_all(dir.path("music"));  // the root volume's current directory vanishes
    h.srcDrive()->setDrive(h.volumes.volumes()[2].driveText);
    ASSERT_EQ(h.user.events.size(), 2u);
    EXPECT_EQ(h.user.events[0], "box 0x00: Error selecting drive");
    EXPECT_EQ(h.user.events[1], "box 0x30: " + dir.path("music") +
                                    ": cannot read the directory: No such file or directory");
    // The lists end on the nearest directory above that can still be read.
    EXPECT_EQ(h.srcDrive()->drive(), "/ [root]");
    const std::string above = fs::path(dir.path("music")).parent_path().string();
    EXPECT_EQ(h.srcDir()->path(), above);
    EXPECT_EQ(h.srcFile()->path(), above);
    EXPECT_FALSE(h.mnuSave()->isEnabled());
}

TEST_F(MainWindowTest, TheDirectoryListKeepsToItsVolumeAndTheDriveListNamesIt) {
    auto h = harness();
    ASSERT_TRUE(test::showActive(h.main.get()));
    const auto open = [&](const QString& name) {
        const QList<QListWidgetItem*> found = h.srcDir()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        h.srcDir()->setCurrentItem(found.front());
        QTest::keyClick(h.srcDir(), Qt::Key_Return);
    };
    open(QString::fromStdString(fs::path(dir.path("music")).parent_path().filename().string()));
    open(QStringLiteral("usb"));  // a folder of the root volume where another is mounted
    EXPECT_EQ(h.srcDir()->path(), dir.path("usb"));
    EXPECT_EQ(h.srcDrive()->drive(), h.volumes.volumes()[1].driveText);
    EXPECT_EQ(h.srcDrive()->currentIndex(), 1);
    ASSERT_GE(h.srcDir()->count(), 1);
    EXPECT_EQ(h.srcDir()->item(0)->text().toStdString(), dir.path("usb")) << "no way above it";
    EXPECT_EQ(h.srcFile()->count(), 1);
    EXPECT_TRUE(h.user.events.empty());
}

TEST_F(MainWindowTest, TheKeyboardVisitsTheControlsInTabOrder) {
    auto h = harness();
    ASSERT_TRUE(test::showActive(h.main.get()));
    QTest::mouseClick(h.playLoop(), Qt::LeftButton);
    h.srcDrive()->setFocus();
    std::vector<std::string> order;
    for (int i = 0; i < 6; ++i) {
        order.push_back(QApplication::focusWidget()->objectName().toStdString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"srcDrive", "playLoop", "scrStart", "scrEnd",
                                               "srcFile", "srcDir"}));
    EXPECT_EQ(QApplication::focusWidget(), h.srcDrive());
}

TEST_F(MainWindowTest, CtrlSOpensTheSaveDialogOnlyOnceAFileIsSelected) {
    auto h = harness();
    ASSERT_TRUE(test::showActive(h.main.get()));
    QTest::keyClick(h.main.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(h.main->saveDialog(), nullptr);
    EXPECT_TRUE(h.main->isEnabled());

    h.srcFile()->setFileName("B.WAV");
    QTest::keyClick(h.main.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_NE(h.main->saveDialog(), nullptr);
    EXPECT_TRUE(h.main->saveDialog()->isVisible());
    EXPECT_FALSE(h.main->isEnabled());
}

TEST_F(MainWindowTest, WhileASecondaryWindowIsOpenItsFrameCannotCloseTheMainWindow) {
    auto h = harness();
    h.srcFile()->setFileName("a.wav");
    ASSERT_TRUE(test::showActive(h.main.get()));
    const std::function<QWidget*()> windows[] = {[&] { return h.main->aboutWindow(); },
                                                 [&] { return h.main->saveDialog(); }};
    for (QAction* opens : {h.mnuAbout(), h.mnuSave()}) {
        opens->trigger();
        QWidget* secondary = windows[opens == h.mnuSave()]();
        ASSERT_TRUE(secondary != nullptr && test::waitUntilActive(secondary));
        ASSERT_FALSE(h.main->isEnabled());
        EXPECT_FALSE(h.main->close());
        EXPECT_TRUE(h.main->isVisible());
        EXPECT_EQ(h.programEnds, 0);
        secondary->close();
        test::deleteClosedWindows();
        ASSERT_TRUE(h.main->isEnabled());
    }
}

TEST_F(MainWindowTest, EveryControlThatTakesTheFocusShowsIt) {
    auto h = harness();
    h.srcFile()->setFileName("a.wav");
    QTest::mouseClick(h.playLoop(), Qt::LeftButton);  // the scroll bars take the focus now
    ASSERT_TRUE(test::showActive(h.main.get()));
    expectFocusShown(h.main.get(), 6);
    h.mnuSave()->trigger();
    ASSERT_TRUE(test::waitUntilActive(h.main->saveDialog()));
    h.main->saveDialog()->findChild<FileList*>("saveFile")->setFileName("a.wav");
    expectFocusShown(h.main->saveDialog(), 5);
}

TEST_F(MainWindowTest, ExitAndClosingTheWindowEndTheProgram) {
    auto h = harness();
    ASSERT_TRUE(test::showActive(h.main.get()));
    QTest::keyClick(h.main.get(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(h.programEnds, 1);
    h.mnuExit()->trigger();
    EXPECT_EQ(h.programEnds, 2);
    h.main->close();
    EXPECT_EQ(h.programEnds, 3);
    EXPECT_TRUE(h.user.events.empty()) << "no confirmation";
}

TEST_F(MainWindowTest, TheMenuHoldsFileWithSaveAndExitAndAboutAsACommand) {
    auto h = harness();
    const QList<QAction*> bar = h.main->menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0]->text(), QStringLiteral("File"));
    ASSERT_NE(bar[0]->menu(), nullptr);
    EXPECT_EQ(bar[1]->text(), QStringLiteral("&Tools"));
    ASSERT_NE(bar[1]->menu(), nullptr);
    const QList<QAction*> tools = bar[1]->menu()->actions();
    ASSERT_EQ(tools.size(), 3);
    EXPECT_EQ(tools[0], h.find<QAction>("mnuPrepareAudio"));
    EXPECT_EQ(tools[0]->text(), QStringLiteral("&Prepare Audio..."));
    EXPECT_EQ(tools[1], h.find<QAction>("mnuLoop"));
    EXPECT_EQ(tools[1]->text(), QStringLiteral("&Loop..."));
    EXPECT_EQ(tools[2], h.find<QAction>("mnuSoundtrack"));
    EXPECT_EQ(tools[2]->text(), QStringLiteral("&Soundtrack..."));
    EXPECT_EQ(bar[2], h.mnuAbout());
    EXPECT_EQ(bar[2]->menu(), nullptr);
    EXPECT_EQ(h.mnuAbout()->text(), QStringLiteral("About"));
    const QList<QAction*> file = bar[0]->menu()->actions();
    ASSERT_EQ(file.size(), 3);
    EXPECT_EQ(file[0], h.mnuSave());
    EXPECT_EQ(file[0]->text(), QStringLiteral("Save"));
    EXPECT_EQ(file[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_TRUE(file[1]->isSeparator());
    EXPECT_EQ(file[2]->text(), QStringLiteral("Exit"));
    EXPECT_EQ(file[2]->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));
}

TEST_F(MainWindowTest, ControlsSitWhereTheLayoutPutsThemAndEveryCaptionFits) {
    auto h = harness();
    const struct {
        const char* name;
        QRect pixels;
    } layout[] = {
        {"Frame1", {8, 0, 225, 345}},     {"Label1", {16, 16, 193, 17}},
        {"srcDrive", {16, 32, 193, 21}},  {"srcDir", {16, 64, 193, 141}},
        {"srcFile", {16, 216, 193, 123}}, {"Frame2", {240, 0, 161, 161}},
        {"playOnce", {16, 16, 17, 17}},   {"lblOnce", {40, 16, 97, 17}},
        {"playLoop", {16, 36, 17, 25}},   {"lblLoop", {40, 40, 89, 17}},
        {"L", {16, 64, 113, 17}},         {"scrStart", {8, 80, 105, 17}},
        {"Label4", {16, 104, 113, 17}},   {"scrEnd", {8, 120, 105, 17}},
        {"Image1", {248, 176, 153, 153}},
    };
    for (const auto& control : layout) {
        EXPECT_EQ(h.find<QWidget>(control.name)->geometry(), control.pixels) << control.name;
    }
    EXPECT_EQ(h.main->centralWidget()->size(), QSize(411, 348));
    h.main->show();
    EXPECT_EQ(h.main->minimumSize(), h.main->maximumSize()) << "a window of fixed size";
    EXPECT_EQ(h.main->height() - h.main->menuBar()->height(), 348);
    for (const QLabel* label : h.main->findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
            << label->objectName().toStdString();
    }
    for (const QGroupBox* frame : h.main->findChildren<QGroupBox*>()) {
        EXPECT_LT(frame->fontMetrics().horizontalAdvance(frame->title()), frame->width());
        expectFrameClearsItsControls(frame);
    }
    const QPixmap picture = h.find<QLabel>("Image1")->pixmap();
    EXPECT_EQ(picture.size(), QSize(128, 128));
}

// The selected source file carries a warning when the game cannot play it as it is, and
// nothing when it can.
TEST_F(MainWindowTest, TheSelectedFileShowsAHintWhileItIsNotGameReady) {
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
