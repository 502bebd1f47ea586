#pragma once

#include "audio/AudioPreparer.h"
#include "ui/tools/BackgroundWork.h"

#include <QWidget>

#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace corvan::ui {

class MainWindowLink;

// Tools > Prepare Audio: checks any recording and writes a copy the game can play beside
// it, then selects that copy in the main window. It stands beside the main window and
// leaves it enabled; everything it has to say, errors included, it says in itself.
class PrepareAudioWindow : public QWidget {
    Q_OBJECT

public:
    explicit PrepareAudioWindow(MainWindowLink& main);
    ~PrepareAudioWindow() override;

    // Takes `path` as the recording: shows its format and whether the game can play it,
    // and proposes the prepared copy's name. What Browse does with the file chosen.
    void chooseSource(const QString& path);

    // Where the prepared copy of `source` goes unless the user says otherwise: beside it,
    // named so that it shows it was prepared, never the source itself nor any file there.
    static QString proposedOutput(const QString& source);

    bool isPreparing() const { return work_.isRunning(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void browse();
    void prepare();
    // True when `output` is free, or the user says to replace it (No is the default).
    bool mayWrite(const QString& output);
    // What the preparer did, or why it could not.
    struct Outcome {
        audio::PrepareResult result;
        std::optional<std::string> error;
    };
    void prepared(std::optional<Outcome> outcome);
    void setPreparing(bool preparing);
    void updatePrepareButton();
    void showResult(const QString& text);
    void fitHeight();

    MainWindowLink& main_;
    QLineEdit* source_ = nullptr;
    QPushButton* browse_ = nullptr;
    QLabel* format_ = nullptr;
    QLabel* verdict_ = nullptr;
    QLineEdit* output_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* result_ = nullptr;
    QPushButton* prepare_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* close_ = nullptr;

    bool sourceReadable_ = false;
    std::string outputPath_;
    BackgroundWork<Outcome> work_{this};
};

}  // namespace corvan::ui
