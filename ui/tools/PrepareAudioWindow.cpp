#include "PrepareAudioWindow.h"

#include "audio/AudioCheck.h"
#include "audio/PreparedName.h"
#include "audio/Wording.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/Named.h"
#include "ui/windows/MainWindowLink.h"
#include "ui/windows/WindowFrame.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QShortcut>
#include <QTreeView>

namespace corvan::ui {

namespace {

QLabel* wrappingLabel(QWidget* parent, const char* name) {
    auto* label = named(new QLabel(parent), name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QString describe(const audio::AudioReport& report) {
    const std::string text = report.container + ", " +
                             (report.encoding != report.container ? report.encoding + ", " : "") +
                             audio::withThousands(report.sampleRate) + " Hz, " +
                             audio::describeChannels(report.channels);
    if (report.frames < 0) return QString::fromStdString(text + ", length unknown");
    return QString::fromStdString(text) +
           QStringLiteral(", %1 s").arg(report.durationSeconds, 0, 'f', 1);
}

QString verdictOf(const audio::AudioReport& report) {
    if (report.gameReady) return QStringLiteral("Game-ready: the game plays it as it is.");
    QString text = QStringLiteral("Not game-ready:");
    for (const std::string& difference : report.differences)
        text += QStringLiteral("\n- ") + QString::fromStdString(difference);
    return text;
}

}  // namespace

PrepareAudioWindow::PrepareAudioWindow(MainWindowLink& main) : main_(main) {
    setObjectName(QStringLiteral("PrepareAudioWindow"));
    setWindowTitle(QStringLiteral("Prepare Audio"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_KeyboardFocusChange);

    auto* grid = new QGridLayout(this);
    grid->setColumnStretch(1, 1);
    source_ = named(new QLineEdit(this), "source");
    source_->setReadOnly(true);
    source_->setPlaceholderText(QStringLiteral(
        "Any recording: WAV, FLAC, Ogg, Opus, MP3, M4A, WebM, WMA, a video's sound"));
    source_->setFocusPolicy(Qt::ClickFocus);
    browse_ = named(new CommandButton(QStringLiteral("&Browse..."), this), "browse");
    format_ = wrappingLabel(this, "format");
    verdict_ = wrappingLabel(this, "verdict");
    output_ = named(new QLineEdit(this), "output");
    progress_ = named(new QProgressBar(this), "progress");
    progress_->setRange(0, 100);
    progress_->setValue(0);
    result_ = wrappingLabel(this, "result");
    prepare_ = named(new CommandButton(QStringLiteral("&Prepare"), this), "prepare");
    cancel_ = named(new CommandButton(QStringLiteral("Cancel"), this), "cancel");
    close_ = named(new CommandButton(QStringLiteral("Close"), this), "close");

    const auto caption = [this](const char* text, QWidget* buddy) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setBuddy(buddy);
        return label;
    };
    grid->addWidget(caption("Recording:", source_), 0, 0);
    grid->addWidget(source_, 0, 1);
    grid->addWidget(browse_, 0, 2);
    grid->addWidget(caption("Format:", format_), 1, 0, Qt::AlignTop);
    grid->addWidget(format_, 1, 1, 1, 2);
    grid->addWidget(caption("For the game:", verdict_), 2, 0, Qt::AlignTop);
    grid->addWidget(verdict_, 2, 1, 1, 2);
    grid->addWidget(caption("&Save as:", output_), 3, 0);
    grid->addWidget(output_, 3, 1, 1, 2);
    grid->addWidget(progress_, 4, 0, 1, 3);
    grid->addWidget(result_, 5, 0, 1, 3);
    grid->setRowStretch(6, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(prepare_);
    buttons->addWidget(cancel_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    grid->addLayout(buttons, 7, 0, 1, 3);

    setTabOrder(browse_, output_);
    setTabOrder(output_, prepare_);
    setTabOrder(prepare_, cancel_);
    setTabOrder(cancel_, close_);
    browse_->setFocus();
    resize(520, sizeHint().height() + 40);

    connect(browse_, &QPushButton::clicked, this, &PrepareAudioWindow::browse);
    connect(prepare_, &QPushButton::clicked, this, &PrepareAudioWindow::prepare);
    // The preparer stops after the block under way and removes its file.
    connect(cancel_, &QPushButton::clicked, this, [this] { work_.cancel(); });
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(output_, &QLineEdit::textChanged, this, &PrepareAudioWindow::updatePrepareButton);
    // Return in the name starts what the name is for.
    connect(output_, &QLineEdit::returnPressed, this, [this] {
        if (prepare_->isEnabled()) prepare_->click();
    });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);
    setPreparing(false);
}

PrepareAudioWindow::~PrepareAudioWindow() = default;

QString PrepareAudioWindow::proposedOutput(const QString& source) {
    return QString::fromStdString(audio::freePreparedName(
        source.toStdString(),
        [](const std::string& name) { return QFileInfo::exists(QString::fromStdString(name)); }));
}

void PrepareAudioWindow::browse() {
    const QString start = source_->text().isEmpty() ? QString::fromStdString(main_.sourceFolder())
                                                    : QFileInfo(source_->text()).absolutePath();
    // Qt's own dialog, whose file view can be told to fit its columns to what they show.
    QFileDialog dialog(this, QStringLiteral("Choose a Recording"), start,
                       QStringLiteral("Recordings (*.wav *.flac *.ogg *.oga *.opus *.mp3 *.aif "
                                      "*.aiff *.m4a *.mp4 *.m4b *.aac *.alac *.webm *.mka *.mkv "
                                      "*.wma *.asf *.ac3 *.mov *.avi);;All files (*)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (auto* view = dialog.findChild<QTreeView*>()) {
        QHeaderView* header = view->header();
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        header->setStretchLastSection(false);
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        chooseSource(dialog.selectedFiles().front());
}

bool PrepareAudioWindow::mayWrite(const QString& output) {
    if (!QFileInfo::exists(output)) return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Replace File"),
                    QStringLiteral("%1 already exists.\nReplace it with the prepared copy?")
                        .arg(QFileInfo(output).fileName()),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    offerNoMaximize(box);
    return box.exec() == QMessageBox::Yes;
}

void PrepareAudioWindow::chooseSource(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    source_->setText(absolute);
    result_->clear();
    progress_->setValue(0);
    try {
        const audio::AudioReport report = audio::checkAudio(absolute.toStdString());
        format_->setText(describe(report));
        verdict_->setText(verdictOf(report));
        sourceReadable_ = true;
    } catch (const std::exception& error) {
        format_->setText(QString::fromStdString(error.what()));
        verdict_->setText(QStringLiteral("This file cannot be read as audio."));
        sourceReadable_ = false;
    }
    output_->setText(sourceReadable_ ? proposedOutput(absolute) : QString());
    updatePrepareButton();
    fitHeight();
    if (prepare_->isEnabled()) prepare_->setFocus();
}

void PrepareAudioWindow::updatePrepareButton() {
    prepare_->setEnabled(!isPreparing() && sourceReadable_ && !output_->text().isEmpty());
}

void PrepareAudioWindow::setPreparing(bool preparing) {
    // The keyboard goes from Prepare to Cancel and from Cancel to Close as each goes out of
    // use, and shows where it went.
    const bool handOn = focusWidget() == (preparing ? prepare_ : cancel_);
    cancel_->setEnabled(preparing);
    browse_->setEnabled(!preparing);
    output_->setReadOnly(preparing);
    updatePrepareButton();
    if (handOn) {
        setAttribute(Qt::WA_KeyboardFocusChange);
        (preparing ? cancel_ : close_)->setFocus(Qt::TabFocusReason);
    }
}

void PrepareAudioWindow::prepare() {
    const QString output = QFileInfo(output_->text()).absoluteFilePath();
    if (!mayWrite(output)) return;
    const std::string source = source_->text().toStdString();
    outputPath_ = output.toStdString();
    result_->setText(QStringLiteral("Preparing..."));
    progress_->setValue(0);

    work_.start(
        [source, output = outputPath_](QPromise<Outcome>& promise) {
            promise.setProgressRange(0, 100);
            audio::PrepareOptions options;
            options.shouldCancel = [&promise] { return promise.isCanceled(); };
            options.onProgress = [&promise](double fraction) {
                promise.setProgressValue(static_cast<int>(fraction * 100));
            };
            Outcome outcome;
            try {
                outcome.result = audio::prepareGameWav(source, output, options);
            } catch (const std::exception& error) {
                outcome.error = error.what();
            }
            return outcome;
        },
        [this](std::optional<Outcome> outcome) { prepared(std::move(outcome)); },
        [this](int percent) { progress_->setValue(percent); });
    setPreparing(true);
}

void PrepareAudioWindow::prepared(std::optional<Outcome> outcome) {
    setPreparing(false);
    if (outcome && outcome->error) {
        progress_->setValue(0);
        showResult(QStringLiteral("Not prepared: ") + QString::fromStdString(*outcome->error));
        return;
    }
    if (!outcome || outcome->result.cancelled) {
        progress_->setValue(0);
        showResult(QStringLiteral("Cancelled: nothing was written."));
        return;
    }
    progress_->setValue(100);
    const QString name = QFileInfo(QString::fromStdString(outputPath_)).fileName();
    QString text = QStringLiteral("Prepared %1").arg(name);
    const audio::PrepareResult& result = outcome->result;
    if (result.copiedUnchanged) {
        text += QStringLiteral(": the recording was game-ready, its samples copied unchanged.");
    } else if (result.clippedSamples > 0) {
        text += QStringLiteral(": %1 samples were clipped at full scale.")
                    .arg(QString::fromStdString(audio::withThousands(result.clippedSamples)));
    } else {
        text += QStringLiteral(": no sample was clipped.");
    }
    const bool selected = main_.selectSourceFile(outputPath_);
    // While the save dialog is open the main window only lists it.
    if (!selected) main_.rereadSourceFiles();
    text += selected ? QStringLiteral(" It is selected in the main window, ready to save.")
                     : QStringLiteral(" Select it in the main window to save it as a track.");
    showResult(text);
}

void PrepareAudioWindow::showResult(const QString& text) {
    result_->setText(text);
    fitHeight();
}

// Wrapped lines fix the height only for a given width, which Qt does not apply to a window
// already shown: it grows here when what the labels say needs more room.
void PrepareAudioWindow::fitHeight() {
    const int needed = layout()->totalHeightForWidth(width());
    if (needed > height()) resize(width(), needed);
}

void PrepareAudioWindow::closeEvent(QCloseEvent* event) {
    work_.stop();
    event->accept();
    main_.returnFocus();
}

}  // namespace corvan::ui
