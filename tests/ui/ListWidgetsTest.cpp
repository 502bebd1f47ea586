#include "support/FaultyDirectories.h"
#include "support/TempDir.h"
#include "support/UiFixture.h"
#include "ui/controls/DirectoryList.h"
#include "ui/controls/DirectoryReader.h"
#include "ui/controls/DriveList.h"
#include "ui/controls/FileList.h"
#include "ui/controls/HorizontalScrollBar.h"
#include "ui/controls/Paths.h"

#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include <filesystem>

namespace corvan::ui {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

void touch(const std::string& path) {
    test::writeFile(path, {0x52});
}

// A music folder with everything a file list must sort out.
class ListsTest : public ::testing::Test {
protected:
    ListsTest() {
        fs::create_directories(dir.path("music/Sub dir"));
        fs::create_directories(dir.path("music/.config"));
        fs::create_directories(dir.path("music/alpha"));
        fs::create_directories(dir.path("music/folder.wav"));
        fs::create_directories(dir.path("other"));
        for (const char* name : {"b.wav", "SONG.WAV", "a.Wav", "notes.txt", "b.wav.bak",
                                 ".hidden.wav", "Sub dir/inner.wav"}) {
            touch(music(name));
        }
        touch(dir.path("other/x.wav"));
        fs::create_symlink(music("b.wav"), music("link.wav"));
        fs::create_symlink(music("gone"), music("dangling.wav"));
        fs::create_directory_symlink(dir.path("other"), music("linked"));
    }
    std::string music(const std::string& name = "") const {
        return name.empty() ? dir.path("music") : dir.path("music/" + name);
    }

    TempDir dir;
    test::FaultyDirectories directories;
    VolumeTable volumes = test::testVolumes({dir.path("other"), dir.path("missing")}, music());
};

TEST_F(ListsTest, TheFileListShowsMatchingVisibleFilesWhateverTheirCase) {
    EXPECT_EQ(readMatchingFiles(directories, music(), "*.wav"),
              (std::vector<std::string>{"a.Wav", "b.wav", "link.wav", "SONG.WAV"}));
    EXPECT_EQ(readMatchingFiles(directories, music(), "*.imc"), std::vector<std::string>{});
    EXPECT_EQ(readSubdirectories(directories, music()),
              (std::vector<std::string>{".config", "alpha", "folder.wav", "linked", "Sub dir"}));
}

TEST_F(ListsTest, ADirectoryThatCannotBeReadIsAnErrorWithItsReason) {
    try {
        readMatchingFiles(directories, dir.path("missing"), "*.wav");
        FAIL() << "no error";
    } catch (const DirectoryError& error) {
        EXPECT_EQ(error.path(), dir.path("missing"));
        EXPECT_EQ(error.reason(), std::errc::no_such_file_or_directory);
    }
    EXPECT_THROW(readSubdirectories(directories, music("notes.txt")), DirectoryError);
}

TEST_F(ListsTest, AFileListRaisesClickWhenItsSelectionReallyChanges) {
    FileList list(volumes, directories, "*.wav");
    std::vector<std::string> clicks;
    list.onClick = [&] { clicks.push_back(list.fileName()); };
    EXPECT_EQ(list.path(), music());
    ASSERT_EQ(list.count(), 4);
    EXPECT_EQ(list.fileName(), "");

    list.setFileName("SONG.WAV");
    list.setFileName("SONG.WAV");
    EXPECT_EQ(clicks, std::vector<std::string>{"SONG.WAV"}) << "raised once, inside the call";

    // Another directory leaves nothing selected and raises nothing.
    list.setPath(music("Sub dir"));
    EXPECT_EQ(list.fileName(), "");
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(clicks.size(), 1u);

    list.setFileName("inner.wav");
    list.setFileName("");
    EXPECT_EQ(clicks, (std::vector<std::string>{"SONG.WAV", "inner.wav", ""}));
}

TEST_F(ListsTest, RefreshKeepsTheSelectionWhileTheFileIsListed) {
    FileList list(volumes, directories, "*.wav");
    list.setFileName("b.wav");
    touch(music("c.wav"));
    list.refresh();
    EXPECT_EQ(list.count(), 5);
    EXPECT_EQ(list.fileName(), "b.wav");
    ASSERT_EQ(list.selectedItems().size(), 1);
    EXPECT_EQ(list.selectedItems().front()->text(), QStringLiteral("b.wav"));

    fs::remove(music("b.wav"));
    list.refresh();
    EXPECT_EQ(list.fileName(), "");
    EXPECT_TRUE(list.selectedItems().isEmpty());

    // A directory that went away offers nothing that may be gone with it.
    list.setFileName("a.Wav");
    fs::remove_all(music());
    EXPECT_THROW(list.refresh(), DirectoryError);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.fileName(), "");
}

TEST_F(ListsTest, AFileListThatCannotReadTheNewDirectoryStaysWhereItWas) {
    FileList list(volumes, directories, "*.wav");
    list.setFileName("a.Wav");
    EXPECT_THROW(list.setPath(dir.path("missing")), DirectoryError);
    EXPECT_EQ(list.path(), music());
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(list.fileName(), "a.Wav");
}

TEST_F(ListsTest, TheFirstArrowKeySelectsTheEntryWithTheFocus) {
    FileList list(volumes, directories, "*.wav");
    int clicks = 0;
    list.onClick = [&] { ++clicks; };
    list.setCurrentRow(0, QItemSelectionModel::NoUpdate);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.fileName(), "a.Wav");
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.fileName(), "b.wav");
    EXPECT_EQ(clicks, 2);
}

TEST_F(ListsTest, TheDirectoryListShowsThePathDownAndThenTheSubdirectories) {
    DirectoryList list(volumes, directories);
    std::vector<std::string> shown;
    for (int row = 0; row < list.count(); ++row)
        shown.push_back(list.item(row)->text().trimmed().toStdString());
    std::vector<std::string> expected;
    for (const std::string& step : pathFromRoot(music())) expected.push_back(lastComponent(step));
    const std::size_t chain = expected.size();
    for (const char* sub : {".config", "alpha", "folder.wav", "linked", "Sub dir"})
        expected.push_back(sub);
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(list.currentRow(), static_cast<int>(chain) - 1) << "the current directory is marked";
}

TEST_F(ListsTest, OpeningAnEntryMovesTheDirectoryListAndRaisesChangeOnce) {
    DirectoryList list(volumes, directories);
    ASSERT_TRUE(test::showActive(&list));
    std::vector<std::string> changes;
    list.onChange = [&] { changes.push_back(list.path()); };

    // Enter on an entry opens it; arrows alone only move the highlight.
    list.setCurrentRow(list.count() - 1);
    EXPECT_TRUE(changes.empty());
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(list.path(), music("Sub dir"));

    // A double click on the parent goes up.
    const int parentRow = static_cast<int>(pathFromRoot(music()).size()) - 1;
    QListWidgetItem* parent = list.item(parentRow);
    const QRect box = list.visualItemRect(parent);
    // A real double click is a click followed by the double-click event.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, box.center());
    EXPECT_EQ(list.path(), music("Sub dir")) << "a single click opens nothing";
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, box.center());
    EXPECT_EQ(list.path(), music());

    list.setPath(music());  // the directory it already shows
    EXPECT_EQ(changes, (std::vector<std::string>{music("Sub dir"), music()}));
}

TEST_F(ListsTest, OpeningADirectoryThatCannotBeReadIsReportedAndChangesNothing) {
    DirectoryList list(volumes, directories);
    int changes = 0;
    std::vector<std::string> reported;
    list.onChange = [&] { ++changes; };
    list.onReadError = [&](const DirectoryError& error) { reported.push_back(error.path()); };
    fs::remove(music("alpha"));  // gone after it was listed
    list.setCurrentRow(static_cast<int>(pathFromRoot(music()).size()) + 1);
    ASSERT_EQ(list.currentItem()->text().trimmed(), QStringLiteral("alpha"));
    QTest::keyClick(&list, Qt::Key_Enter);
    EXPECT_EQ(reported, std::vector<std::string>{music("alpha")});
    EXPECT_EQ(list.path(), music());
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(list.currentRow(), static_cast<int>(pathFromRoot(music()).size()) - 1)
        << "the highlight is back on the directory shown";
}

TEST_F(ListsTest, TypingANamesFirstLettersFindsItAndEveryEntryTellsItsWholeName) {
    DirectoryList folders(volumes, directories);
    FileList files(volumes, directories, "*.wav");
    ASSERT_TRUE(test::showActive(&folders));
    QTest::keyClicks(&folders, "su");
    EXPECT_EQ(folders.currentItem()->text(), QStringLiteral("Sub dir"));
    EXPECT_EQ(folders.path(), music()) << "typing only moves the highlight";
    ASSERT_TRUE(test::showActive(&files));
    QTest::keyClicks(&files, "so");
    EXPECT_EQ(files.fileName(), "SONG.WAV");

    const auto toolTipAt = [](QListWidget& list, int row) {
        const QPoint at = list.visualItemRect(list.item(row)).center();
        QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
        QApplication::sendEvent(list.viewport(), &help);
        return QToolTip::text().toStdString();
    };
    EXPECT_EQ(toolTipAt(files, 3), "SONG.WAV");
    EXPECT_EQ(toolTipAt(folders, folders.currentRow()), music("Sub dir"));
}

TEST_F(ListsTest, ADirectoryListStartsAtItsVolumesMountPoint) {
    fs::create_directories(dir.path("other/deep/er"));
    DirectoryList list(volumes, directories);
    list.setPath(dir.path("other/deep"));
    std::vector<std::string> shown;
    for (int row = 0; row < list.count(); ++row)
        shown.push_back(list.item(row)->text().toStdString());
    EXPECT_EQ(shown, (std::vector<std::string>{dir.path("other"), "deep", "er"}));
}

TEST_F(ListsTest, ADriveTextTakesEveryListToThatVolumesCurrentDirectory) {
    DirectoryList folders(volumes, directories);
    FileList files(volumes, directories, "*.wav");
    const std::string other = volumes.volumes()[1].driveText;
    folders.setPath(other);
    EXPECT_EQ(folders.path(), dir.path("other"));
    files.setPath(music("Sub dir"));  // the root volume's current directory is now here
    folders.setPath("/ [root]");
    EXPECT_EQ(folders.path(), music("Sub dir"));
}

TEST_F(ListsTest, TheDriveListRaisesChangeOnlyWhenTheVolumeReallyChanges) {
    DriveList drives(volumes);
    std::vector<std::string> changes;
    drives.onChange = [&] { changes.push_back(drives.drive()); };
    EXPECT_EQ(drives.drive(), "/ [root]") << "starts on the working directory's volume";
    drives.setDrive(dir.path("other/deeper/still"));  // a path selects its volume
    drives.setDrive(volumes.volumes()[1].driveText);
    drives.setDrive("/");
    EXPECT_EQ(changes, (std::vector<std::string>{volumes.volumes()[1].driveText, "/ [root]"}));
    EXPECT_EQ(drives.currentText().toStdString(), "/ [root]");
}

TEST_F(ListsTest, AFailedDriveChangeByTheUserPutsTheDriveListBackQuietly) {
    DriveList drives(volumes);
    int changes = 0;
    std::vector<std::string> reported;
    drives.onChange = [&] {
        ++changes;
        throw DirectoryError(drives.drive(), std::error_code(ENOMEDIUM, std::generic_category()));
    };
    drives.onReadError = [&](const DirectoryError& error) { reported.push_back(error.path()); };
    drives.setFocus();
    QTest::keyClick(&drives, Qt::Key_Down);  // the user picks the next volume
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(reported, std::vector<std::string>{volumes.volumes()[1].driveText});
    EXPECT_EQ(drives.drive(), "/ [root]");
    EXPECT_EQ(drives.currentIndex(), 0);
}

TEST(HorizontalScrollBar, StepsOfOneAndChangeOnlyWhenTheValueIsSettled) {
    HorizontalScrollBar bar;
    std::vector<int> changes;
    bar.onChange = [&] { changes.push_back(bar.value()); };
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 32767);
    EXPECT_EQ(bar.value(), 0);

    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);  // an arrow
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);    // the track
    EXPECT_EQ(changes, (std::vector<int>{1, 2}));

    // Dragging the thumb raises nothing until it is let go.
    bar.setSliderDown(true);
    bar.setSliderPosition(500);
    bar.setSliderPosition(900);
    EXPECT_EQ(changes.size(), 2u);
    EXPECT_EQ(bar.value16(), 2);
    bar.setSliderDown(false);
    EXPECT_EQ(changes, (std::vector<int>{1, 2, 900}));

    bar.setValue(32767);
    bar.setValue(32767);
    ASSERT_TRUE(test::showActive(&bar));
    QTest::keyClick(&bar, Qt::Key_Left);
    QTest::keyClick(&bar, Qt::Key_Right);
    EXPECT_EQ(changes, (std::vector<int>{1, 2, 900, 32767, 32766, 32767}));
    EXPECT_EQ(bar.max16(), 32767);
}

}  // namespace
}  // namespace corvan::ui
