#include "LoopWindow.h"

#include "audio/AudioError.h"
#include "audio/AudioPreparer.h"
#include "audio/PreparedName.h"
#include "audio/Wording.h"
#include "loop/LoopPosition.h"
#include "loop/SeamPreview.h"
#include "platform/PathNames.h"
#include "platform/TemporaryFile.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/Named.h"
#include "ui/tools/WaveformView.h"
#include "ui/windows/MainWindowLink.h"
#include "ui/windows/WindowFrame.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QProgressBar>
#include <QShortcut>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace corvan::ui {

namespace {

QString timeText(std::int64_t frames) {
    return QString::fromStdString(audio::formatTime(loop::framesToSeconds(frames)));
}

// A time with its frame, as corvan-cli prints frames.
QString timeAndFrame(std::int64_t frames) {
    return QStringLiteral("%1 (%2)").arg(timeText(frames)).arg(frames);
}

// The game-ready samples of a recording: its own, or those of its prepared copy, made into
// `scratch` exactly as Prepare Audio makes it. Nothing when cancelled. Throws AudioError.
std::optional<loop::GameSamples> gameSamplesOf(const std::string& path, bool gameReady,
                                               const std::string& scratch,
                                               const std::function<bool()>& cancelled) {
    if (gameReady) return loop::GameSamples::read(path);
    platform::TemporaryFile prepared(scratch);
    if (prepared.error()) throw audio::AudioError(prepared.path(), prepared.error().message());
    audio::PrepareOptions options;
    options.shouldCancel = cancelled;
    if (audio::prepareGameWav(path, prepared.path(), options).cancelled) return std::nullopt;
    return loop::GameSamples::read(prepared.path());
}

QLabel* valueLabel(QWidget* parent, const char* name) {
    auto* label = named(new QLabel(parent), name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("00:00.000 ")));
    return label;
}

}  // namespace

LoopWindow::LoopWindow(MainWindowLink& main) : main_(main) {
    setObjectName(QStringLiteral("LoopWindow"));
    setWindowTitle(QStringLiteral("Loop"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_KeyboardFocusChange);

    file_ = named(new QLabel(this), "file");
    file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    waveform_ = named(new WaveformView(this), "waveform");
    start_ = valueLabel(this, "start");
    end_ = valueLabel(this, "end");
    length_ = valueLabel(this, "length");
    note_ = named(new QLabel(this), "note");
    note_->setWordWrap(true);
    suggest_ = named(new CommandButton(QStringLiteral("&Suggest"), this), "suggest");
    progress_ = named(new QProgressBar(this), "progress");
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    list_ = named(new QTreeWidget(this), "suggestions");
    list_->setColumnCount(7);
    list_->setHeaderLabels({QStringLiteral("Start"), QStringLiteral("End"),
                            QStringLiteral("Length"), QStringLiteral("Seam"),
                            QStringLiteral("Splice"), QStringLiteral("Step"),
                            QStringLiteral("Copy")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->header()->setStretchLastSection(true);
    list_->setMinimumHeight(list_->fontMetrics().height() * 7);
    apply_ = named(new CommandButton(QStringLiteral("&Apply"), this), "apply");
    playSeam_ = named(new CommandButton(QStringLiteral("&Play seam"), this), "playSeam");
    audioNote_ = named(new QLabel(this), "audioNote");
    audioNote_->setWordWrap(true);
    close_ = named(new CommandButton(QStringLiteral("Close"), this), "close");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file_);
    layout->addWidget(waveform_, 1);
    auto* times = new QHBoxLayout;
    const auto caption = [this](const char* text, QWidget* buddy) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setBuddy(buddy);
        return label;
    };
    times->addWidget(caption("Start:", start_));
    times->addWidget(start_);
    times->addWidget(caption("End:", end_));
    times->addWidget(end_);
    times->addWidget(caption("Length:", length_));
    times->addWidget(length_);
    times->addStretch(1);
    layout->addLayout(times);
    layout->addWidget(note_);
    auto* searching = new QHBoxLayout;
    searching->addWidget(suggest_);
    searching->addWidget(progress_, 1);
    layout->addLayout(searching);
    layout->addWidget(list_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(apply_);
    buttons->addWidget(playSeam_);
    buttons->addWidget(audioNote_, 1);
    buttons->addWidget(close_);
    layout->addLayout(buttons);

    setTabOrder(suggest_, list_);
    setTabOrder(list_, apply_);
    setTabOrder(apply_, playSeam_);
    setTabOrder(playSeam_, close_);
    resize(500, 500);

    connect(suggest_, &QPushButton::clicked, this, &LoopWindow::suggest);
    connect(apply_, &QPushButton::clicked, this,
            [this] { applySuggestion(list_->indexOfTopLevelItem(list_->currentItem())); });
    // Double click and Enter both activate a row.
    connect(list_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { applySuggestion(list_->indexOfTopLevelItem(item)); });
    connect(list_, &QTreeWidget::currentItemChanged, this, &LoopWindow::updateButtons);
    connect(playSeam_, &QPushButton::clicked, this, &LoopWindow::playSeam);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    main_.onLoopChanged(this, [this] { refresh(); });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);
    // The outputs are asked for once and then followed, not asked for on every slider move.
    auto* devices = new QMediaDevices(this);
    hasAudioOutput_ = !QMediaDevices::audioOutputs().isEmpty();
    connect(devices, &QMediaDevices::audioOutputsChanged, this, [this] {
        hasAudioOutput_ = !QMediaDevices::audioOutputs().isEmpty();
        updateButtons();
    });
    refresh();
    suggest_->setFocus();
}

LoopWindow::~LoopWindow() = default;

void LoopWindow::closeEvent(QCloseEvent* event) {
    if (player_ != nullptr) player_->stop();
    // The runs stop at their next check, so that closing the window is quick; a copy being
    // written is finished.
    envelopeWork_.stop();
    suggestWork_.stop();
    copyWork_.stop();
    event->accept();
    main_.returnFocus();
}

// Whatever moved in the main window: the file, the music type or a slider.
void LoopWindow::refresh() {
    const std::optional<LoopSource>& current = main_.selectedRecording();
    const std::string path = current ? current->path : std::string();
    const std::string shown = source_ ? source_->path : std::string();
    if (path != shown || !current != !source_) {
        source_ = current;
        sourceChanged();
    }

    const bool looped = main_.loopChosen();
    // The thumbs' places, so that the times follow a drag before it is let go.
    const auto [startSlider, endSlider] = main_.loopThumbs();

    // The selected file by name, whether or not it can be read as audio.
    const std::string selected = main_.selectedFileName();
    file_->setText(selected.empty() ? QStringLiteral("No recording selected")
                                    : QString::fromStdString(selected));

    QString title = QStringLiteral("Loop");
    length_->setStyleSheet(QString());
    length_->setToolTip(QString());
    if (!source_) {
        start_->clear();
        end_->clear();
        length_->clear();
        waveform_->setRegion(std::nullopt);
        note_->setText(selected.empty()
                           ? QStringLiteral("Select a .WAV file in the main window.")
                           : QStringLiteral("This file cannot be read as audio, so it has no "
                                            "times to show."));
    } else if (!looped) {
        start_->setText(QStringLiteral("-"));
        end_->setText(QStringLiteral("-"));
        length_->setText(QStringLiteral("-"));
        waveform_->setRegion(std::nullopt);
        note_->setText(
            QStringLiteral("Play Once is selected: the track plays once and has no "
                           "loop. Select Continuous Replay to loop it."));
    } else {
        const loop::LoopFrames loop = source_->loopFor(startSlider, endSlider);
        start_->setText(timeText(loop.startFrame));
        end_->setText(timeText(loop.endFrame));
        length_->setText(timeText(loop.lengthFrames()));
        QStringList notes;
        if (loop.degenerate()) {
            length_->setStyleSheet(QStringLiteral("color: red"));
            notes << QStringLiteral(
                "The jump lies at or before the loop start: the game has no "
                "loop to play. Move the ending position further from the "
                "starting position.");
            length_->setToolTip(notes.front());
        }
        if (!source_->gameReady) {
            notes << QStringLiteral(
                "This recording is not game-ready: the times are those of its "
                "prepared copy and apply once it is prepared (Tools > Prepare "
                "Audio).");
        }
        note_->setText(notes.join(QLatin1Char('\n')));
        const auto frames = static_cast<double>(std::max<std::int64_t>(1, source_->frames));
        waveform_->setRegion(WaveformView::Region{static_cast<double>(loop.startFrame) / frames,
                                                  static_cast<double>(loop.endFrame) / frames});
        title += QStringLiteral(" - start %1, end %2").arg(startSlider).arg(endSlider);
    }
    setWindowTitle(title);
    updateButtons();
}

void LoopWindow::sourceChanged() {
    suggestions_.clear();
    list_->clear();
    if (!isSuggesting()) progress_->setValue(0);
    if (player_ != nullptr) player_->stop();
    if (source_) {
        readWaveform();
    } else {
        waveform_->setMessage(QString());
    }
}

void LoopWindow::readWaveform() {
    waveform_->setMessage(QStringLiteral("Reading the waveform..."));
    // One run at a time; a file selected meanwhile is read when the run ends.
    if (isReadingWaveform()) return;
    envelopeWork_.start(
        [path = source_->path](QPromise<Envelope>& promise) {
            Envelope read{path, std::nullopt};
            try {
                read.envelope =
                    WaveformEnvelope::of(path, 2048, [&promise] { return promise.isCanceled(); });
            } catch (const std::exception&) {
                // Said in the view once the run ends.
            }
            return read;
        },
        [this](std::optional<Envelope> read) {
            if (read) envelopeRead(std::move(*read));
        });
}

void LoopWindow::envelopeRead(Envelope read) {
    if (!source_) return;
    if (source_->path != read.path) {
        readWaveform();
        return;
    }
    if (!read.envelope) {
        waveform_->setMessage(QStringLiteral("The waveform cannot be read."));
    } else {
        waveform_->setEnvelope(std::move(*read.envelope));
    }
}

void LoopWindow::suggest() {
    if (!source_ || isSuggesting()) return;
    suggestions_.clear();
    list_->clear();
    note_->setText(QStringLiteral("Listening for loops..."));
    progress_->setRange(0, 0);  // busy: the search has no steps to count
    suggestWork_.start(
        [path = source_->path, gameReady = source_->gameReady,
         scratch = scratch_.filePath(QStringLiteral("prepared.wav")).toStdString()](
            QPromise<Suggestions>& promise) {
            const auto cancelled = [&promise] { return promise.isCanceled(); };
            Suggestions result{path, {}, std::nullopt};
            try {
                // Frames count in the copy the game plays, as corvan-cli suggest-loop counts
                // them.
                const std::optional<loop::GameSamples> samples =
                    gameSamplesOf(path, gameReady, scratch, cancelled);
                if (!samples) return result;
                loop::LoopSearchOptions search;
                search.shouldCancel = cancelled;
                result.found = loop::findLandedLoops(*samples, search);
            } catch (const std::exception& error) {
                result.error = error.what();
            }
            return result;
        },
        [this](std::optional<Suggestions> result) { suggestFinished(std::move(result)); });
    updateButtons();
}

void LoopWindow::suggestFinished(std::optional<Suggestions> result) {
    progress_->setRange(0, 1);
    progress_->setValue(1);
    refresh();
    // Suggestions for a file no longer selected are of no use.
    if (!result || !source_ || source_->path != result->path) {
        progress_->setValue(0);
        return;
    }
    if (result->error) {
        note_->setText(QStringLiteral("No suggestions: ") + QString::fromStdString(*result->error));
        return;
    }
    for (loop::LandedLoop& found : result->found) {
        const loop::Landing& l = found.landing;
        // The sliders give the landing's frames in this very file only without padding, and
        // only when its bytes are those the landing counted.
        const bool reached = source_->gameReady && l.paddingFrames == 0 &&
                             source_->loopFor(l.startSlider, l.endSlider) == l.frames;
        suggestions_.push_back({std::move(found), !reached});
    }
    for (const Suggestion& s : suggestions_) {
        const loop::Landing& l = s.loop.landing;
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, timeAndFrame(l.frames.startFrame));
        item->setText(1, timeAndFrame(l.frames.endFrame));
        item->setText(2, timeText(l.frames.lengthFrames()));
        item->setText(3, QString::fromStdString(loop::describeSeam(l.seam)));
        item->setText(4, QStringLiteral("%1 dB").arg(l.seam.splice, 0, 'f', 2));
        item->setText(5, QString::number(l.seam.step, 'f', 2));
        item->setText(6, !s.needsCopy          ? QStringLiteral("-")
                         : l.paddingFrames > 0 ? QStringLiteral("padded")
                                               : QStringLiteral("prepared"));
        item->setToolTip(6, s.needsCopy ? QStringLiteral("The sliders reach this loop exactly "
                                                         "in a copy that Apply offers to write.")
                                        : QStringLiteral("The sliders reach this loop exactly "
                                                         "in this file."));
    }
    for (int column = 0; column < 6; ++column) list_->resizeColumnToContents(column);
    if (suggestions_.empty()) {
        note_->setText(QStringLiteral("No loop long enough was found in this recording."));
    } else {
        list_->setCurrentItem(list_->topLevelItem(0));
        list_->setFocus(Qt::TabFocusReason);
    }
    updateButtons();
}

bool LoopWindow::applySuggestion(int row) {
    if (row < 0 || row >= static_cast<int>(suggestions_.size()) || isWritingCopy()) return false;
    const Suggestion& s = suggestions_[static_cast<std::size_t>(row)];
    if (s.needsCopy) {
        writeCopy(s);
        return isWritingCopy();
    }
    if (!main_.setLoop({s.loop.landing.startSlider, s.loop.landing.endSlider})) {
        note_->setText(
            QStringLiteral("Close the save dialog first: the loop is read from the "
                           "main window when the track is saved."));
        return false;
    }
    return true;
}

bool LoopWindow::mayWriteCopy(const Suggestion& suggestion, const std::string& copy) {
    const loop::Landing& l = suggestion.loop.landing;
    const QString recording = QString::fromStdString(platform::fileNameOf(source_->path));
    QString why =
        l.paddingFrames > 0
            ? QStringLiteral(
                  "The sliders reach this loop exactly only in a copy of %1 "
                  "with %2 s of padding after its music, which a loop "
                  "never plays.")
                  .arg(recording)
                  .arg(loop::framesToSeconds(l.paddingFrames), 0, 'f', 3)
            : QStringLiteral("This loop lies in the game-ready copy of %1.").arg(recording);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Looped Copy"),
                    why + QStringLiteral("\n\nWrite %1 beside it and select it in the main "
                                         "window with this loop?")
                              .arg(QString::fromStdString(platform::fileNameOf(copy))),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    offerNoMaximize(box);
    return box.exec() == QMessageBox::Yes;
}

void LoopWindow::writeCopy(const Suggestion& suggestion) {
    const std::string copy = audio::freeCopyName(
        source_->path, "looped",
        [](const std::string& name) { return QFileInfo::exists(QString::fromStdString(name)); });
    if (!mayWriteCopy(suggestion, copy)) return;
    note_->setText(
        QStringLiteral("Writing %1...").arg(QString::fromStdString(platform::fileNameOf(copy))));
    progress_->setRange(0, 0);
    copyWork_.start(
        [path = source_->path, gameReady = source_->gameReady, copy,
         landing = suggestion.loop.landing](QPromise<CopyWritten>&) {
            CopyWritten written{copy, landing, std::nullopt};
            try {
                // A recording not game-ready is prepared beside the copy, then padded into it.
                std::optional<platform::TemporaryFile> prepared;
                std::string gameWav = path;
                if (!gameReady) {
                    prepared.emplace(copy);
                    if (prepared->error())
                        throw audio::AudioError(copy, prepared->error().message());
                    gameWav = prepared->path();
                    audio::prepareGameWav(path, gameWav);
                }
                loop::writeLandedCopy(gameWav, loop::GameSamples::read(gameWav), landing, copy);
            } catch (const std::exception& error) {
                written.error = error.what();
            }
            return written;
        },
        [this](std::optional<CopyWritten> written) { copyFinished(std::move(written)); });
    updateButtons();
}

void LoopWindow::copyFinished(std::optional<CopyWritten> written) {
    progress_->setRange(0, 1);
    progress_->setValue(0);
    updateButtons();
    if (!written) return;
    const QString name = QString::fromStdString(platform::fileNameOf(written->copy));
    if (written->error) {
        note_->setText(QStringLiteral("Not written: ") + QString::fromStdString(*written->error));
        return;
    }
    const loop::Landing& l = written->landing;
    // The sliders go with the copy: set on another file they would give another loop.
    const bool selected =
        main_.selectSourceFile(written->copy) && main_.setLoop({l.startSlider, l.endSlider});
    if (!selected) main_.rereadSourceFiles();
    note_->setText(selected
                       ? QStringLiteral("%1 is selected with the loop set: File > Save writes "
                                        "exactly this loop.")
                             .arg(name)
                       : QStringLiteral("%1 is written. Close the save dialog, select it and set "
                                        "the loop from %2 to %3.")
                             .arg(name)
                             .arg(l.startSlider)
                             .arg(l.endSlider));
}

void LoopWindow::updateButtons() {
    const bool looped = main_.loopChosen();
    suggest_->setEnabled(source_.has_value() && !isSuggesting());
    apply_->setEnabled(!isSuggesting() && !isWritingCopy() && list_->currentItem() != nullptr);
    QString why;
    if (!hasAudioOutput_) {
        why = QStringLiteral("No audio output device: the seam cannot be played here.");
    } else if (!source_ || !looped) {
        why = QStringLiteral("Play seam needs a looped recording.");
    } else if (!source_->gameReady) {
        why = QStringLiteral("Play seam needs the prepared copy.");
    }
    playSeam_->setEnabled(why.isEmpty());
    audioNote_->setText(why);
}

// What the game plays across the jump: a few seconds before the loop end, then the loop
// start onwards.
std::optional<QString> LoopWindow::writeSeam() {
    if (!source_ || !source_->gameReady || !scratch_.isValid()) return std::nullopt;
    const auto [startSlider, endSlider] = main_.loopSliders();
    const loop::LoopFrames loop = source_->loopFor(startSlider, endSlider);
    const QString preview = scratch_.filePath(QStringLiteral("seam.wav"));
    try {
        loop::writeSeamPreview(source_->path, loop, preview.toStdString());
    } catch (const std::exception& error) {
        audioNote_->setText(QStringLiteral("Not played: ") + QString::fromStdString(error.what()));
        return std::nullopt;
    }
    return preview;
}

void LoopWindow::playSeam() {
    if (player_ != nullptr) player_->stop();
    const std::optional<QString> preview = writeSeam();
    if (!preview) return;
    if (player_ == nullptr) {
        player_ = new QMediaPlayer(this);
        output_ = new QAudioOutput(this);
        player_->setAudioOutput(output_);
    }
    // The same name again: the player has to be told to read the file anew.
    player_->setSource(QUrl());
    player_->setSource(QUrl::fromLocalFile(*preview));
    player_->play();
}

}  // namespace corvan::ui
