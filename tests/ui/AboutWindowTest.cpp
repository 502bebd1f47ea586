#include "support/UiHarness.h"
#include "ui/controls/WordWrapLabel.h"
#include "ui/windows/QtUserInterface.h"
#include "ui/windows/frmAbout.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <algorithm>

namespace corvan::ui {
namespace {

using test::MainWindowHarness;

TEST(AboutText, EighteenLinesSeparatedBySingleCarriageReturns) {
    const std::vector<std::string> lines = {
        "Corvan Version 1.0",
        "",
        "A tool to convert .WAV files into the .IMC file format used in X-Wing Alliance",
        "",
        "How to use the tool: ",
        "1. Select the desired .wav file to convert",
        "2. Select type of music file to create",
        "3. Select Save from the File menu",
        "4. Browse to the \\Music\\ directory where X-Wing Alliance is installed",
        "5. Select the sound file to replace.  Click OK",
        "6. A backup is made of the current file, the selected WAV file is then converted",
        "",
        "Limitations in version 1.0:",
        "Only queued music such as the music played when an enemy ship arrives in the sector, "
        "and looped music like the song played on the Concourse can be created at this time",
        "Subsequent revisions will support music with interludes (music during combat)",
        "",
    };
    const std::string text = frmAbout::aboutText();
    std::vector<std::string> shown;
    std::size_t start = 0;
    for (std::size_t cr; (cr = text.find('\r', start)) != std::string::npos; start = cr + 1) {
        shown.push_back(text.substr(start, cr - start));
    }
    shown.push_back(text.substr(start));
    ASSERT_EQ(shown.size(), 18u);
    EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 16), lines);
    EXPECT_FALSE(shown[16].empty()) << "first credit line";
    EXPECT_FALSE(shown[17].empty()) << "second credit line, with no carriage return after it";
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 17);
    EXPECT_EQ(text.find('\n'), std::string::npos);
}

class AboutWindowTest : public ::testing::Test {
protected:
    AboutWindowTest() : h(dir.path(""), {}, dir.path("")) {}

    frmAbout* openAbout() {
        if (!test::showActive(h.main.get())) return nullptr;
        h.mnuAbout()->trigger();
        frmAbout* about = h.main->aboutWindow();
        if (about == nullptr || !test::waitUntilActive(about)) return nullptr;
        return about;
    }
    QLabel* label(frmAbout* about) { return about->findChild<QLabel*>("aboutLabel"); }
    QPushButton* ok(frmAbout* about) { return about->findChild<QPushButton*>("cmdOK"); }

    test::TempDir dir;
    MainWindowHarness h;
};

TEST_F(AboutWindowTest, WhileItIsOpenTheMainWindowTakesNoInput) {
    frmAbout* about = openAbout();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Corvan"));
    EXPECT_FALSE(h.main->isEnabled());
    EXPECT_TRUE(about->isEnabled());
    EXPECT_EQ(label(about)->text(), displayText(frmAbout::aboutText()));
    EXPECT_EQ(QApplication::focusWidget(), ok(about));

    QTest::keyClick(about, Qt::Key_Escape);
    EXPECT_TRUE(about->isVisible()) << "OK is no cancel button";

    QTest::mouseClick(ok(about), Qt::LeftButton);
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(h.main->isEnabled());
    EXPECT_TRUE(test::waitUntilActive(h.main.get()));

    // The same window comes back, with the same text, and disables the main window again,
    // also on returning from another window.
    EXPECT_EQ(openAbout(), about);
    QWidget elsewhere;
    ASSERT_TRUE(test::showActive(&elsewhere));
    about->activateWindow();
    ASSERT_TRUE(test::waitUntilActive(about));
    EXPECT_FALSE(h.main->isEnabled());
    EXPECT_EQ(label(about)->text(), displayText(frmAbout::aboutText()));

    // Closing through the frame destroys it and frees the main window.
    about->close();
    test::deleteClosedWindows();
    EXPECT_EQ(h.main->aboutWindow(), nullptr);
    EXPECT_TRUE(h.main->isEnabled());
    EXPECT_TRUE(test::waitUntilActive(h.main.get()));
    frmAbout* again = openAbout();
    ASSERT_NE(again, nullptr);
    EXPECT_FALSE(h.main->isEnabled());
}

TEST_F(AboutWindowTest, TheWrappedTextFitsTheLabel) {
    frmAbout* about = openAbout();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->size(), QSize(312, 392));
    EXPECT_EQ(label(about)->geometry(), QRect(16, 8, 273, 345));
    EXPECT_EQ(ok(about)->geometry(), QRect(112, 360, 97, 25));
    // Lines break at blanks only, so "X-Wing" is never split, and every line fits.
    const QStringList lines = static_cast<WordWrapLabel*>(label(about))->shownLines();
    EXPECT_EQ(lines.join(QLatin1Char(' ')),
              label(about)->text().replace(QLatin1Char('\n'), QLatin1Char(' ')));
    EXPECT_GT(lines.size(), 18) << "the long lines are wrapped";
    for (const QString& line : lines) {
        EXPECT_LE(label(about)->fontMetrics().horizontalAdvance(line), 273) << line.toStdString();
        EXPECT_FALSE(line.endsWith(QLatin1Char('-'))) << line.toStdString();
    }
    EXPECT_LE(lines.size() * label(about)->fontMetrics().lineSpacing(), 345);
}

TEST(WordWrap, BreaksOnlyAtBlanksAndKeepsEveryCharacter) {
    const QFontMetrics metrics(QApplication::font());
    const int width = metrics.horizontalAdvance(QStringLiteral("used in X-Wing"));
    const struct {
        QString text;
        QStringList lines;
    } cases[] = {
        {QStringLiteral("format used in X-Wing Alliance"),
         {QStringLiteral("format used in"), QStringLiteral("X-Wing"), QStringLiteral("Alliance")}},
        {QStringLiteral("ab\nc  d"), {QStringLiteral("ab"), QStringLiteral("c  d")}},
        {QStringLiteral("Supercalifragilistic ok"),
         {QStringLiteral("Supercalifragilistic"), QStringLiteral("ok")}},
        {QString(), {QString()}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wrapAtBlanks(c.text, metrics, width), c.lines) << c.text.toStdString();
    }
}

}  // namespace
}  // namespace corvan::ui
