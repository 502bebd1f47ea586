#pragma once

#include "LoopSource.h"
#include "WaveformEnvelope.h"
#include "loop/LoopSuggester.h"

#include <QTemporaryDir>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QMediaPlayer;
class QAudioOutput;
class QProgressBar;
class QPushButton;
class QThread;
class QTreeWidget;
class QTreeWidgetItem;

namespace corvan::ui {

class WaveformView;
class frmMain;

// Tools > Loop: the selected recording's waveform with the loop that the main window's
// sliders make of it, following them as they move; suggestions of loops that sound
// seamless, applied through the main window's own controls; the seam played to the ear.
// It stands beside the main window and leaves it enabled.
class LoopWindow : public QWidget {
    Q_OBJECT

public:
    explicit LoopWindow(frmMain& main);
    ~LoopWindow() override;

    // Looks for loops in the selected recording in the background.
    void suggest();
    bool isSuggesting() const { return suggestWorker_ != nullptr; }
    bool isReadingWaveform() const { return envelopeWorker_ != nullptr; }
    const std::vector<loop::LoopSuggestion>& suggestions() const { return suggestions_; }

    // Sets the main window's loop to the suggestion in `row` through its controls, so that
    // its rules run as if the user had set it. False when the main window takes no input.
    bool applySuggestion(int row);

    // Writes what the game plays across the jump of the main window's loop to a temporary
    // file and returns its path; nothing, with the reason shown, when it cannot.
    std::optional<QString> writeSeam();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();
    void sourceChanged();
    void readWaveform();
    void suggestFinished();
    void updateButtons();
    void playSeam();
    QThread* startWorker(std::function<void()> work, void (LoopWindow::*done)());
    void envelopeFinished();
    void stopWorkers();

    frmMain& main_;
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
    std::vector<loop::LoopSuggestion> suggestions_;

    QThread* envelopeWorker_ = nullptr;
    std::string envelopePath_;
    WaveformEnvelope envelope_;  // written by the worker, read once it has finished
    bool envelopeFailed_ = false;

    QThread* suggestWorker_ = nullptr;
    std::string suggestPath_;
    std::vector<loop::LoopSuggestion> found_;  // written by the worker
    std::optional<std::string> suggestError_;
    std::atomic<bool> cancelSuggest_{false};
    std::atomic<bool> closing_{false};  // the waveform's reading is of no use any more
    bool hasAudioOutput_ = false;

    QTemporaryDir previewDir_;
    QMediaPlayer* player_ = nullptr;
    QAudioOutput* output_ = nullptr;
};

}  // namespace corvan::ui
