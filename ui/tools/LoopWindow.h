#pragma once

#include "loop/LandedCopy.h"
#include "ui/tools/BackgroundWork.h"
#include "ui/tools/WaveformEnvelope.h"
#include "ui/windows/LoopSource.h"

#include <QTemporaryDir>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QLabel;
class QMediaPlayer;
class QAudioOutput;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace corvan::ui {

class WaveformView;
class MainWindowLink;

// Tools > Loop: the selected recording's waveform with the loop that the main window's
// sliders make of it, following them as they move; loops found to the sample, applied
// through the main window's own controls (in a padded copy where the sliders cannot reach
// them otherwise); the seam played as the game plays it.
// It stands beside the main window and leaves it enabled.
class LoopWindow : public QWidget {
    Q_OBJECT

public:
    // A loop found in the game-ready samples of the recording, and whether the sliders reach
    // it only in a copy (padded, or prepared first).
    struct Suggestion {
        loop::LandedLoop loop;
        bool needsCopy = false;
    };

    explicit LoopWindow(MainWindowLink& main);
    ~LoopWindow() override;

    // Looks for loops in the selected recording in the background.
    void suggest();
    bool isSuggesting() const { return suggestWork_.isRunning(); }
    bool isReadingWaveform() const { return envelopeWork_.isRunning(); }
    bool isWritingCopy() const { return copyWork_.isRunning(); }
    const std::vector<Suggestion>& suggestions() const { return suggestions_; }

    // Sets the main window's loop to the suggestion in `row` through its controls, so that
    // its rules run as if the user had set it. One that needs a copy is asked about first;
    // the copy is written in the background, then selected with the loop set. False when
    // nothing was set or started.
    bool applySuggestion(int row);

    // Writes what the game plays across the jump of the main window's loop to a temporary
    // file and returns its path; nothing, with the reason shown, when it cannot.
    std::optional<QString> writeSeam();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();
    void sourceChanged();
    // What a run found in a file, or why it could not read it.
    struct Envelope {
        std::string path;
        std::optional<WaveformEnvelope> envelope;
    };
    struct Suggestions {
        std::string path;
        std::vector<loop::LandedLoop> found;
        std::optional<std::string> error;
    };
    struct CopyWritten {
        std::string copy;
        loop::Landing landing;
        std::optional<std::string> error;
    };
    void readWaveform();
    void envelopeRead(Envelope read);
    void suggestFinished(std::optional<Suggestions> result);
    bool mayWriteCopy(const Suggestion& suggestion, const std::string& copy);
    void writeCopy(const Suggestion& suggestion);
    void copyFinished(std::optional<CopyWritten> written);
    void updateButtons();
    void playSeam();

    MainWindowLink& main_;
    QLabel* file_ = nullptr;
    WaveformView* waveform_ = nullptr;
    QLabel* start_ = nullptr;
    QLabel* end_ = nullptr;
    QLabel* length_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* suggest_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* playSeam_ = nullptr;
    QLabel* audioNote_ = nullptr;
    QPushButton* close_ = nullptr;

    std::optional<LoopSource> source_;
    std::vector<Suggestion> suggestions_;

    bool hasAudioOutput_ = false;

    // The seam played, and the prepared copy a search reads.
    QTemporaryDir scratch_;
    QMediaPlayer* player_ = nullptr;
    QAudioOutput* output_ = nullptr;

    // Last, so that they are stopped before anything they report to goes.
    BackgroundWork<Envelope> envelopeWork_{this};
    BackgroundWork<Suggestions> suggestWork_{this};
    BackgroundWork<CopyWritten> copyWork_{this};
};

}  // namespace corvan::ui
