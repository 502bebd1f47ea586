#include "support/EngineOutput.h"
#include "support/UiHarness.h"
#include "ui/windows/frmSave.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QSignalSpy>

#include <QTest>
#include <algorithm>

namespace corvan::ui {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::FileOp;
using test::MainWindowHarness;

const Bytes kOldTrack = {'O', 'L', 'D', ' ', 'T', 'R', 'A', 'C', 'K'};

// A recording in one folder and the game's music in another, which is also where the
// program lives, so that the dialog first opens there.
class SaveDialogTest : public ::testing::Test {
protected:
    explicit SaveDialogTest(const std::vector<std::string>& arguments = {}) {
        fs::create_directories(dir.path("recordings"));
        fs::create_directories(dir.path("game/Music/Extra"));
        fs::create_directories(dir.path("usb"));
        test::writeFile(source(), wav);
        test::writeFile(track(), kOldTrack);
        test::writeFile(music("other.imc"), {1, 2, 3});
        test::writeFile(dir.path("usb/far.imc"), {4});
        h = std::make_unique<MainWindowHarness>(
            dir.path("recordings"),
            std::vector<std::string>{dir.path("usb"), dir.path("no medium")}, music(), arguments);
        h->srcFile()->setFileName("song.wav");
    }

    std::string source() const { return dir.path("recordings/song.wav"); }
    std::string music(const std::string& name = "") const {
        return name.empty() ? dir.path("game/Music") : dir.path("game/Music/" + name);
    }
    std::string track() const { return music("track.imc"); }

    // File > Save, as the user chooses it, and the dialog once it is active.
    frmSave* openDialog() {
        if (!test::showActive(h->main.get())) return nullptr;
        h->mnuSave()->trigger();
        frmSave* dialog = h->main->saveDialog();
        if (dialog == nullptr || !test::waitUntilActive(dialog)) return nullptr;
        return dialog;
    }
    template <typename T>
    T* control(frmSave* dialog, const char* name) {
        return dialog->findChild<T*>(QString::fromLatin1(name));
    }
    DirectoryList* saveDir(frmSave* d) { return control<DirectoryList>(d, "saveDir"); }
    FileList* saveFile(frmSave* d) { return control<FileList>(d, "saveFile"); }
    DriveList* saveDrive(frmSave* d) { return control<DriveList>(d, "saveDrive"); }
    QPushButton* btnOK(frmSave* d) { return control<QPushButton>(d, "btnOK"); }
    QPushButton* btnCancel(frmSave* d) { return control<QPushButton>(d, "btnCancel"); }

    // What the engine itself writes for this source with the main window's inputs.
    Bytes expectedImc() { return test::engineOutput(source(), *h->main); }
    // The dialog takes input while the main window does not.
    void expectOnlyTheDialogUsable(frmSave* dialog) {
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(dialog->isEnabled());
        EXPECT_TRUE(saveFile(dialog)->isEnabled());
        EXPECT_FALSE(h->main->isEnabled());
    }
    void expectBackToTheMainWindow(frmSave* dialog) {
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_TRUE(h->main->isEnabled());
        EXPECT_TRUE(test::waitUntilActive(h->main.get()));
    }
    std::vector<std::string> backups() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(music())) {
            if (entry.path().extension() == ".bak") found.push_back(entry.path().filename());
        }
        return found;
    }

    test::TempDir dir;
    Bytes wav = test::readFile("/usr/share/sounds/alsa/Front_Center.wav");
    std::unique_ptr<MainWindowHarness> h;
};

TEST_F(SaveDialogTest, TheFirstOpeningShowsTheProgramsDirectoryAndOnlyItsImcFiles) {
    test::writeFile(music("track.imc.bak"), {9});
    frmSave* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(h->main->isEnabled());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Save IMC File..."));
    EXPECT_EQ(saveDir(dialog)->path(), music());
    EXPECT_EQ(saveFile(dialog)->path(), music());
    ASSERT_EQ(saveFile(dialog)->count(), 2) << "a backup is never offered as a target";
    EXPECT_EQ(saveFile(dialog)->item(0)->text(), QStringLiteral("other.imc"));
    EXPECT_EQ(saveFile(dialog)->item(1)->text(), QStringLiteral("track.imc"));
    EXPECT_EQ(saveDrive(dialog)->drive(), "/ [root]");
    EXPECT_FALSE(btnOK(dialog)->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), saveDrive(dialog));

    saveFile(dialog)->setFileName("track.imc");
    EXPECT_TRUE(btnOK(dialog)->isEnabled());
}

TEST_F(SaveDialogTest, ControlsSitWhereTheLayoutPutsThemInTabOrder) {
    frmSave* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->size(), QSize(312, 326));
    const struct {
        const char* name;
        QRect pixels;
    } layout[] = {{"saveDrive", {16, 8, 281, 21}},
                  {"saveDir", {16, 40, 281, 156}},
                  {"saveFile", {16, 208, 281, 84}},
                  {"btnOK", {40, 296, 97, 25}},
                  {"btnCancel", {184, 296, 89, 25}}};
    for (const auto& control : layout) {
        EXPECT_EQ(dialog->findChild<QWidget*>(control.name)->geometry(), control.pixels)
            << control.name;
    }
    saveFile(dialog)->setFileName("track.imc");
    std::vector<std::string> order;
    for (int i = 0; i < 5; ++i) {
        order.push_back(QApplication::focusWidget()->objectName().toStdString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order,
              (std::vector<std::string>{"saveDrive", "saveFile", "btnOK", "btnCancel", "saveDir"}));
}

TEST_F(SaveDialogTest, OkKeepsTheOldTrackAsBackupAndWritesTheNewOneInItsPlace) {
    // Looped music with the loop at 10% and 90%.
    QTest::mouseClick(h->playLoop(), Qt::LeftButton);
    h->scrEnd()->setValue(29490);
    h->scrStart()->setValue(3277);
    const Bytes expected = expectedImc();
    ASSERT_EQ(expected.size(), 228 + wav.size());

    frmSave* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    saveFile(dialog)->setFileName("track.imc");
    QTest::mouseClick(btnOK(dialog), Qt::LeftButton);

    EXPECT_EQ(test::readFile(track()), expected);
    EXPECT_EQ(test::readFile(track() + ".bak"), kOldTrack);
    EXPECT_EQ(h->user.events,
              (std::vector<std::string>{"pointer hourglass", "pointer default",
                                        "box 0x00: Save Successful.  Processed " +
                                            std::to_string(wav.size()) + " WAV file bytes"}));
    expectBackToTheMainWindow(dialog);
}

TEST_F(SaveDialogTest, AnOlderBackupMakesWayOnlyOnceTheNewTrackIsWritten) {
    test::writeFile(track() + ".bak", {'O', 'L', 'D', 'E', 'R'});
    frmSave* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    saveFile(dialog)->setFileName("track.imc");
    const std::size_t before = h->files.calls().size();
    QTest::mouseClick(btnOK(dialog), Qt::LeftButton);

    EXPECT_EQ(backups(), std::vector<std::string>{"track.imc.bak"});
    EXPECT_EQ(test::readFile(track() + ".bak"), kOldTrack);
    // The older backup is moved aside, not deleted, until the new track is complete.
    std::vector<FileOp> steps;
    std::string aside;
    for (std::size_t i = before; i < h->files.calls().size(); ++i) {
        const auto& call = h->files.calls()[i];
        if (call.op == FileOp::Unique) aside = call.path;
        if (call.op != FileOp::Read && call.op != FileOp::Write) steps.push_back(call.op);
    }
    EXPECT_EQ(aside, track() + ".bak.old-");
    const auto position = [&](FileOp op) {
        return std::find(steps.begin(), steps.end(), op) - steps.begin();
    };
    EXPECT_LT(position(FileOp::Exists), position(FileOp::Unique));
    EXPECT_LT(position(FileOp::Unique), position(FileOp::Rename));
    EXPECT_LT(position(FileOp::Open), position(FileOp::Remove));
    EXPECT_EQ(steps.back(), FileOp::Remove) << "the older backup goes last";
    EXPECT_EQ(test::readFile(track()), expectedImc());
}

TEST_F(SaveDialogTest, WithoutAnOlderBackupOnlyTheRenameHappens) {
    frmSave* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    saveFile(dialog)->setFileName("other.imc");
    QTest::mouseClick(btnOK(dialog), Qt::LeftButton);
    for (const auto& call : h->files.calls()) EXPECT_NE(call.op, FileOp::Remove);
    EXPECT_EQ(backups(), std::vector<std::string>{"other.imc.bak"});
    EXPECT_EQ(test::readFile(music("other.imc.bak")), (Bytes{1, 2, 3}));
    EXPECT_EQ(test::readFile(track()), kOldTrack) << "the other track is untouched";
}

TEST_F(SaveDialogTest, AFailedConversionPutsTheOriginalTrackBack) {
    test::writeFile(track() + ".bak", {'O', 'L', 'D', 'E', 'R'});
    frmSave* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    saveFile(dialog)->setFileName("track.imc");
    h->files.inject(FileOp::Write, test::FaultyFileSystem::Action::Shorten, 2, 2, 10);  // disk full
    QTest::mouseClick(btnOK(dialog), Qt::LeftButton);

    EXPECT_EQ(test::readFile(track()), kOldTrack);
    EXPECT_EQ(backups(), std::vector<std::string>{"track.imc.bak"});
    EXPECT_EQ(test::readFile(track() + ".bak"), (Bytes{'O', 'L', 'D', 'E', 'R'}))
        << "the original went back under its own name, the older backup under its own";
    EXPECT_EQ(h->user.events, (std::vector<std::string>{
                                  "pointer hourglass", "box 0x10: Incomplete write",
                                  "pointer default", "beep", "box 0x10: IMC Generation Failed!"}));
    EXPECT_EQ(h->user.events.back(), "box 0x10: IMC Generation Failed!");
    expectBackToTheMainWindow(dialog);

    // A second try replaces the track and keeps the original as its backup.
    h->user.events.clear();
    h->mnuSave()->trigger();
    ASSERT_TRUE(test::waitUntilActive(dialog));
    expectOnlyTheDialogUsable(dialog);
    saveFile(dialog)->setFileName("track.imc");
    QTest::mouseClick(btnOK(dialog), Qt::LeftButton);
    EXPECT_EQ(test::readFile(track() + ".bak"), kOldTrack);
    EXPECT_EQ(test::readFile(track()), expectedImc());
}

TEST_F(SaveDialogTest, AFailedBackupStepIsShownAndNothingElseHappens) {
    const struct {
        const char* what;
        bool olderBackup;
        std::function<void()> fault;
        std::string message;
    } cases[] = {
        {"the older backup cannot be moved aside", true,
         [this] { h->files.failNth(FileOp::Rename, 1); },
         "box 0x10: " + track() + ".bak: cannot rename to " + track() + ".bak.old-"},
        {"the track went away after it was listed", false, [this] { fs::remove(track()); },
         "box 0x10: " + track() + ": cannot rename to " + track() +
             ".bak: No such file or directory"},
        {"a directory of the backup's name blocks the rename", false,
         [this] { fs::create_directories(track() + ".bak/x"); },
         "box 0x10: " + track() + ": cannot rename to " + track() + ".bak: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(track() + ".bak");
        test::writeFile(track(), kOldTrack);
        if (c.olderBackup) test::writeFile(track() + ".bak", {7});
        h->user.events.clear();
        frmSave* dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        saveFile(dialog)->setFileName("track.imc");
        c.fault();
        const std::size_t before = h->files.calls().size();
        QTest::mouseClick(btnOK(dialog), Qt::LeftButton);

        ASSERT_EQ(h->user.events.size(), 1u);
        EXPECT_EQ(h->user.events[0].substr(0, c.message.size()), c.message);
        for (std::size_t i = before; i < h->files.calls().size(); ++i) {
            EXPECT_NE(h->files.calls()[i].op, FileOp::Open) << "no conversion runs";
        }
        expectOnlyTheDialogUsable(dialog);  // the user can pick another file or cancel
        if (fs::is_regular_file(track())) {
            EXPECT_EQ(test::readFile(track()), kOldTrack);
        }
        QTest::mouseClick(btnCancel(dialog), Qt::LeftButton);
    }
}

TEST_F(SaveDialogTest, EnterInTheListsAndEscapePressNoButtonButAFocusedButtonTakesItsKeys) {
    frmSave* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    saveFile(dialog)->setFileName("track.imc");
    QSignalSpy okClicks(btnOK(dialog), &QPushButton::clicked);
    QSignalSpy cancelClicks(btnCancel(dialog), &QPushButton::clicked);
    for (QWidget* list :
         std::initializer_list<QWidget*>{saveDrive(dialog), saveFile(dialog), saveDir(dialog)}) {
        list->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(list, key);
        }
    }
    QTest::keyClick(dialog, Qt::Key_Return);
    EXPECT_EQ(okClicks.count() + cancelClicks.count(), 0);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(test::readFile(track()), kOldTrack);
    EXPECT_TRUE(h->user.events.empty());
    for (const QPushButton* button : dialog->findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault() || button->autoDefault()) << button->text().toStdString();
    }

    // Return and Space press the button that has the focus, as on the desktop.
    btnCancel(dialog)->setFocus();
    QTest::keyClick(btnCancel(dialog), Qt::Key_Space);
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_EQ(openDialog(), dialog);
    saveFile(dialog)->setFileName("track.imc");
    btnOK(dialog)->setFocus();
    QTest::keyClick(btnOK(dialog), Qt::Key_Return);
    EXPECT_EQ(okClicks.count(), 1);
    EXPECT_EQ(test::readFile(track() + ".bak"), kOldTrack);
}

TEST_F(SaveDialogTest, AFolderLostBetweenTwoSavesIsReportedOnceAndLeftForOneAboveIt) {
    const struct {
        const char* how;
        std::function<void()> lose;
        std::string reason;
    } cases[] = {
        {"removed", [this] { fs::remove_all(music("Extra")); }, "No such file or directory"},
        {"no longer readable",
         [this] { h->directories.makeUnreadable(music("Extra"), std::errc::permission_denied); },
         "Permission denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        h->user.events.clear();
        fs::create_directories(music("Extra"));
        test::writeFile(music("Extra/extra.imc"), {5});
        frmSave* dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        saveDir(dialog)->setPath(music("Extra"));
        saveFile(dialog)->setFileName("extra.imc");
        ASSERT_TRUE(btnOK(dialog)->isEnabled());
        QTest::mouseClick(btnCancel(dialog), Qt::LeftButton);
        c.lose();

        dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        // Dismissing the box makes the dialog active again; so does coming back to it.
        QWidget elsewhere;
        for (int again = 0; again < 2; ++again) {
            ASSERT_TRUE(test::showActive(&elsewhere));
            dialog->activateWindow();
            ASSERT_TRUE(test::waitUntilActive(dialog));
        }
        EXPECT_EQ(h->user.events,
                  std::vector<std::string>{"box 0x30: " + music("Extra") +
                                           ": cannot read the directory: " + c.reason});
        EXPECT_EQ(saveDir(dialog)->path(), music());
        EXPECT_EQ(saveFile(dialog)->path(), music());
        EXPECT_FALSE(btnOK(dialog)->isEnabled()) << "OK follows the file list: nothing chosen";
        saveFile(dialog)->setFileName("track.imc");
        EXPECT_TRUE(btnOK(dialog)->isEnabled());
        QTest::mouseClick(btnCancel(dialog), Qt::LeftButton);
    }
}

TEST_F(SaveDialogTest, EveryWayOutEnablesAndFocusesTheMainWindow) {
    frmSave* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible()) << "Escape belongs to no button";

    QTest::mouseClick(btnCancel(dialog), Qt::LeftButton);
    expectBackToTheMainWindow(dialog);
    EXPECT_EQ(h->main->saveDialog(), dialog) << "Cancel keeps the window";

    // Closing through the frame destroys it; the next Save makes a new one that opens in
    // the directory used last.
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    saveDir(dialog)->setPath(music("Extra"));
    dialog->close();
    test::deleteClosedWindows();
    EXPECT_EQ(h->main->saveDialog(), nullptr);
    EXPECT_TRUE(h->main->isEnabled());
    EXPECT_TRUE(test::waitUntilActive(h->main.get()));

    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    expectOnlyTheDialogUsable(dialog);
    EXPECT_EQ(saveDir(dialog)->path(), music("Extra"));
    EXPECT_EQ(saveFile(dialog)->path(), music("Extra"));
    EXPECT_TRUE(h->user.events.empty());
}

TEST_F(SaveDialogTest, OkIsEnabledOnlyWhileAListedFileIsSelected) {
    frmSave* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    saveFile(dialog)->setFileName("track.imc");
    ASSERT_TRUE(btnOK(dialog)->isEnabled());
    saveDir(dialog)->setPath(music("Extra"));
    EXPECT_FALSE(btnOK(dialog)->isEnabled());
    saveDir(dialog)->setPath(music());
    EXPECT_FALSE(btnOK(dialog)->isEnabled()) << "even with IMC files listed";
    saveFile(dialog)->setFileName("other.imc");
    EXPECT_TRUE(btnOK(dialog)->isEnabled());

    saveDrive(dialog)->setDrive(h->volumes.volumes()[1].driveText);
    EXPECT_EQ(saveDir(dialog)->path(), dir.path("usb"));
    EXPECT_EQ(saveFile(dialog)->count(), 1);
    EXPECT_FALSE(btnOK(dialog)->isEnabled());
    saveFile(dialog)->setFileName("far.imc");
    QTest::mouseClick(btnOK(dialog), Qt::LeftButton);
    EXPECT_EQ(test::readFile(dir.path("usb/far.imc.bak")), Bytes{4});
}

TEST_F(SaveDialogTest, AVolumeOrFolderThatCannotBeReadIsReportedAndTheDialogStaysPut) {
    frmSave* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    saveFile(dialog)->setFileName("track.imc");
    saveDrive(dialog)->setFocus();
    QTest::keyClick(saveDrive(dialog), Qt::Key_End);  // the last volume has no medium
    EXPECT_EQ(h->user.events,
              std::vector<std::string>{"box 0x30: " + dir.path("no medium") +
                                       ": cannot read the directory: No such file or directory"});
    EXPECT_EQ(saveDrive(dialog)->drive(), "/ [root]");
    EXPECT_EQ(saveDrive(dialog)->currentIndex(), 0);
    EXPECT_EQ(saveDir(dialog)->path(), music());

    // A folder that went away after it was listed.
    std::filesystem::remove(music("Extra"));
    saveDir(dialog)->setFocus();
    saveDir(dialog)->setCurrentRow(saveDir(dialog)->count() - 1);
    QTest::keyClick(saveDir(dialog), Qt::Key_Return);
    EXPECT_EQ(h->user.events.size(), 2u);
    EXPECT_EQ(saveDir(dialog)->path(), music());

    // The dialog's directory is still the one shown, so OK replaces the track there.
    h->user.events.clear();
    ASSERT_TRUE(btnOK(dialog)->isEnabled());
    QTest::mouseClick(btnOK(dialog), Qt::LeftButton);
    EXPECT_EQ(test::readFile(track() + ".bak"), kOldTrack);
    ASSERT_EQ(h->user.events.size(), 3u);
    EXPECT_EQ(h->user.events.back().rfind("box 0x00: Save Successful.", 0), 0u);
}

TEST_F(SaveDialogTest, AProgramOnAnotherVolumeOpensThatVolumesCurrentDirectoryFirst) {
    // The drive list moves to the program's volume first, and its change handler shows
    // that volume's current directory (its mount point, as nothing was shown there yet).
    std::filesystem::create_directories(dir.path("usb/programs"));
    h = std::make_unique<MainWindowHarness>(dir.path("recordings"),
                                            std::vector<std::string>{dir.path("usb")},
                                            dir.path("usb/programs"));
    h->srcFile()->setFileName("song.wav");
    frmSave* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(saveDrive(dialog)->drive(), h->volumes.volumes()[1].driveText);
    EXPECT_EQ(saveDir(dialog)->path(), dir.path("usb"));
    EXPECT_EQ(saveFile(dialog)->path(), dir.path("usb"));
    EXPECT_EQ(saveFile(dialog)->count(), 1);
    EXPECT_FALSE(btnOK(dialog)->isEnabled());
}

class DebugSaveDialogTest : public SaveDialogTest {
protected:
    DebugSaveDialogTest() : SaveDialogTest({"D"}) {}
};

TEST_F(DebugSaveDialogTest, BothPathsAreShownBeforeAnyFileIsTouched) {
    frmSave* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    saveFile(dialog)->setFileName("track.imc");
    // The message is answered while nothing has been renamed yet; stop at the rename.
    h->files.failNth(FileOp::Rename, 1);
    QTest::mouseClick(btnOK(dialog), Qt::LeftButton);
    ASSERT_EQ(h->user.events.size(), 2u);
    EXPECT_EQ(h->user.events[0], "box 0x00: " + source() + " " + track());
    EXPECT_EQ(h->user.events[1].rfind("box 0x10: " + track() + ": cannot rename", 0), 0u);
    EXPECT_EQ(test::readFile(track()), kOldTrack);
}

}  // namespace
}  // namespace corvan::ui
