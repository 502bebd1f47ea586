#include "frmMain.h"

#include "audio/GameReadiness.h"
#include "audio/Wording.h"
#include "loop/LoopPosition.h"
#include "platform/PathNames.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/Frame.h"
#include "ui/controls/HorizontalScrollBar.h"
#include "ui/controls/Named.h"
#include "ui/controls/OptionButton.h"
#include "ui/controls/Paths.h"
#include "ui/windows/DebugSwitch.h"
#include "ui/windows/GameReadyHint.h"
#include "ui/windows/Twips.h"
#include "ui/windows/WindowFrame.h"
#include "ui/windows/frmAbout.h"
#include "ui/windows/frmSave.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPixmap>
#include <QRadioButton>
#include <QStyle>
#include <QToolTip>
#include <QWindow>

#include <optional>

namespace corvan::ui {

namespace {

QLabel* label(QWidget* parent, const char* name, const char* text) {
    return named(new QLabel(QString::fromLatin1(text), parent), name);
}

}  // namespace

frmMain::frmMain(Services services, const std::vector<std::string>& arguments, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Corvan 1.0"));
    // Show where the keyboard is from the start, not only once Tab has been pressed.
    setAttribute(Qt::WA_KeyboardFocusChange);
    buildControls();
    buildMenu();
    // Nothing reacts to a size change, so the window keeps the size of its layout.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    offerNoMaximize(*this);
    Form_Load(arguments);
}

frmMain::~frmMain() {
    delete frmSave_;
    delete frmAbout_;
    delete prepareAudio_;
    delete loopWindow_;
    delete soundtrackWindow_;
}

// The secondary windows belong to no parent widget, since disabling this window would
// disable them too; they stay on top of it as its transients.
void frmMain::showOnTop(QWidget* window) {
    window->createWinId();
    window->windowHandle()->setTransientParent(windowHandle());
    window->show();
    window->raise();
    window->activateWindow();
}

frmSave* frmMain::saveDialog() const {
    return frmSave_;
}

frmAbout* frmMain::aboutWindow() const {
    return frmAbout_;
}

void frmMain::buildControls() {
    auto* client = new QWidget(this);
    client->setFixedSize(twips(6165), twips(5220));
    setCentralWidget(client);

    auto* frame1 = named(new Frame(QStringLiteral("Input Parameters"), client), "Frame1");
    placeInTwips(frame1, 120, 0, 3375, 5175);
    QLabel* label1 = label(frame1, "Label1", "Source .WAV file");
    label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    placeInTwips(label1, 240, 240, 2895, 255);
    source_ = std::make_unique<FilePicker>(
        frame1, services_.volumes, services_.directories, "*.wav",
        FilePicker::Names{"srcDrive", "srcDir", "srcFile"},
        FilePicker::Handlers{[this] { srcDrive_Change(); }, [this] { srcDir_Change(); },
                             [this] { srcFile_Click(); },
                             [this](const DirectoryError& error) { reportUnreadable(error); }});
    srcDrive_ = source_->drive;
    srcDir_ = source_->directory;
    srcFile_ = source_->file;
    placeInTwips(srcDrive_, 240, 480, 2895, 315);
    placeInTwips(srcDir_, 240, 960, 2895, 2115);
    placeInTwips(srcFile_, 240, 3240, 2895, 1845);

    auto* frame2 = named(new Frame(QStringLiteral("Output Parameters"), client), "Frame2");
    placeInTwips(frame2, 3600, 0, 2415, 2415);
    // The option buttons are only as wide as their circles: their own texts stay hidden
    // and the labels beside them name the choices.
    playOnce_ = named(new OptionButton(QStringLiteral("Option1"), frame2), "playOnce");
    placeInTwips(playOnce_, 240, 240, 255, 255);
    placeInTwips(label(frame2, "lblOnce", "Play Once "), 600, 240, 1455, 255);
    playLoop_ = named(new OptionButton(QStringLiteral("Option2"), frame2), "playLoop");
    placeInTwips(playLoop_, 240, 540, 255, 375);
    placeInTwips(label(frame2, "lblLoop", "Continuous Replay"), 600, 600, 1335, 255);
    placeInTwips(label(frame2, "L", "Loop Starting Position"), 240, 960, 1695, 255);
    scrStart_ = named(new HorizontalScrollBar(frame2), "scrStart");
    placeInTwips(scrStart_, 120, 1200, 1575, 255);
    placeInTwips(label(frame2, "Label4", "Loop Ending Position"), 240, 1560, 1695, 255);
    scrEnd_ = named(new HorizontalScrollBar(frame2), "scrEnd");
    placeInTwips(scrEnd_, 120, 1800, 1575, 255);

    QLabel* image1 = named(new QLabel(client), "Image1");
    image1->setPixmap(QPixmap(QStringLiteral(":/corvan/corvan.gif")));
    image1->setScaledContents(true);
    placeInTwips(image1, 3720, 2640, 2295, 2295);

    for (QWidget* passive : std::initializer_list<QWidget*>{frame1, frame2, label1, image1}) {
        passive->setFocusPolicy(Qt::NoFocus);
    }
    setTabOrder(srcDrive_, playOnce_);
    setTabOrder(playOnce_, playLoop_);
    setTabOrder(playLoop_, scrStart_);
    setTabOrder(scrStart_, scrEnd_);
    setTabOrder(scrEnd_, srcFile_);
    setTabOrder(srcFile_, srcDir_);
    srcDrive_->setFocus();

    connect(playOnce_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) playOnce_Click();
    });
    connect(playLoop_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) playLoop_Click();
    });
    scrStart_->onChange = [this] { scrStart_Change(); };
    scrEnd_->onChange = [this] { scrEnd_Change(); };
    // After the rules above, which are connected first: by then the pair has settled.
    for (HorizontalScrollBar* bar : {scrStart_, scrEnd_}) {
        connect(bar, &QScrollBar::valueChanged, this, &frmMain::loopInputsChanged);
        connect(bar, &QScrollBar::sliderMoved, this, &frmMain::loopInputsChanged);
    }
    connect(playLoop_, &QRadioButton::toggled, this, &frmMain::loopInputsChanged);
}

void frmMain::buildMenu() {
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuSave_ = named(mnuFile->addAction(QStringLiteral("Save")), "mnuSave");
    mnuSave_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    named(mnuFile->addSeparator(), "mnuSep");
    QAction* mnuExit = named(mnuFile->addAction(QStringLiteral("Exit")), "mnuExit");
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    // Tools reaches what goes beyond the conversion itself, with access keys of its own so
    // that the keyboard gets there without a mouse.
    QMenu* mnuTools = menuBar()->addMenu(QStringLiteral("&Tools"));
    mnuTools->setObjectName(QStringLiteral("mnuTools"));
    QAction* mnuPrepareAudio =
        named(mnuTools->addAction(QStringLiteral("&Prepare Audio...")), "mnuPrepareAudio");
    QAction* mnuLoop = named(mnuTools->addAction(QStringLiteral("&Loop...")), "mnuLoop");
    QAction* mnuSoundtrack =
        named(mnuTools->addAction(QStringLiteral("&Soundtrack...")), "mnuSoundtrack");
    // About is a command on the menu bar itself, not a menu of its own.
    QAction* mnuAbout = named(menuBar()->addAction(QStringLiteral("About")), "mnuAbout");

    connect(mnuSave_, &QAction::triggered, this, &frmMain::mnuSave_Click);
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
    connect(mnuPrepareAudio, &QAction::triggered, this, &frmMain::mnuPrepareAudio_Click);
    connect(mnuLoop, &QAction::triggered, this, &frmMain::mnuLoop_Click);
    connect(mnuSoundtrack, &QAction::triggered, this,
            [this] { openTool(soundtrackWindow_, &ToolWindows::makeSoundtrack); });
}

bool frmMain::playOnceValue() const {
    return playOnce_->isChecked();
}
bool frmMain::playLoopValue() const {
    return playLoop_->isChecked();
}
std::int16_t frmMain::scrStartValue() const {
    return scrStart_->value16();
}
std::int16_t frmMain::scrStartMax() const {
    return scrStart_->max16();
}
std::int16_t frmMain::scrEndValue() const {
    return scrEnd_->value16();
}
std::int16_t frmMain::scrEndMax() const {
    return scrEnd_->max16();
}

void frmMain::Form_Load(const std::vector<std::string>& arguments) {
    playOnce_->setChecked(true);  // raises playOnce_Click, which disables the bars as well
    playLoop_->setChecked(false);
    scrStart_->setEnabled(false);
    scrEnd_->setEnabled(false);
    mnuSave_->setEnabled(false);
    debugFlag_ = false;
    debugFlag_ = debugSwitchFromArguments(arguments);
}

void frmMain::playOnce_Click() {
    scrStart_->setEnabled(false);
    scrEnd_->setEnabled(false);
}

void frmMain::playLoop_Click() {
    scrStart_->setEnabled(true);
    scrEnd_->setEnabled(true);
}

// The end follows the start upwards; setting it raises scrEnd_Change, which then finds
// the two equal, so the pair settles after one step.
void frmMain::scrStart_Change() {
    if (scrEnd_->value16() < scrStart_->value16()) {
        scrEnd_->setValue(scrStart_->value16());
        scrEnd_->update();
    }
}

// The start follows the end downwards.
void frmMain::scrEnd_Change() {
    if (scrStart_->value16() > scrEnd_->value16()) {
        scrStart_->setValue(scrEnd_->value16());
        scrStart_->update();
    }
}

void frmMain::srcDir_Change() {
    srcPath = srcDir_->path();
    source_->showFilesOf(srcPath);
    srcFile_Click();
}

void frmMain::srcDrive_Change() {
    chgDrive();
}

void frmMain::chgDrive() {
    try {
        srcFile_->setPath(srcDrive_->drive());
        srcPath = srcDrive_->drive();
        srcDir_->setPath(srcPath);  // raises srcDir_Change when the directory moves
        srcFile_->refresh();
        srcFile_Click();
        return;
    } catch (const std::exception&) {
        // Any failure of the steps above sends the lists back to the root volume; a
        // failure on the way back belongs to the recovery that is already running.
        if (recoveringDrive_) throw;
    }
    services_.user.messageBox("Error selecting drive", MessageStyle::Plain);
    std::optional<DirectoryError> reason;
    recoveringDrive_ = true;
    try {
        // If the drive list was elsewhere this is a drive change of its own, nested here.
        srcDrive_->setDrive("/");
    } catch (const DirectoryError& error) {
        reason = error;
    } catch (const std::exception&) {
        // Nothing else is expected here; the recovery goes on as if the root were unreadable.
        reason = DirectoryError("/", std::make_error_code(std::errc::io_error));
    }
    recoveringDrive_ = false;
    // The root volume's own directory cannot be read either: the lists go to the nearest
    // directory above it that can, so that they never show a place that is gone.
    if (reason) source_->showReadableAbove(reason->path());
    try {
        srcFile_->refresh();
    } catch (const DirectoryError& error) {
        if (!reason) reason = error;
    }
    if (reason) reportUnreadable(*reason);
    srcFile_Click();
}

// The selected file is read once here; the hint and the loop's times both come from that.
void frmMain::srcFile_Click() {
    mnuSave_->setEnabled(!srcFile_->fileName().empty());
    loopSource_.reset();
    hint_.reset();
    if (!srcFile_->fileName().empty()) {
        const std::string path = withSeparator(srcFile_->path()) + srcFile_->fileName();
        // Not audio that can be read: any file can go into a track, with a warning.
        const audio::GameReadiness readiness = audio::judgeGameReadiness(path);
        hint_ = gameReadyHint(readiness);
        if (readiness.report) loopSource_ = loopSourceFor(path, *readiness.report);
    }
    hintSourceFormat();
    loopInputsChanged();
}

void frmMain::rereadSourceFiles() {
    const std::string selected = srcFile_->fileName();
    try {
        srcFile_->refresh();
    } catch (const DirectoryError&) {
        // The list is empty now, and Save disabled below as for no selection.
    }
    if (srcFile_->fileName() != selected) {
        srcFile_Click();
    } else {
        hintSourceFormat();  // the entries were made anew, the mark with them
    }
}

bool frmMain::event(QEvent* event) {
    // A tool window or another program may have written into the folder meanwhile.
    if (event->type() == QEvent::WindowActivate) rereadSourceFiles();
    return QMainWindow::event(event);
}

void frmMain::loopInputsChanged() {
    updateSliderTips();
    emit loopChanged();
}

// The time each bar stands for in the selected recording, read where the thumb is.
void frmMain::updateSliderTips() {
    if (!loopSource_) {
        scrStart_->setToolTip(QString());
        scrEnd_->setToolTip(QString());
        return;
    }
    const loop::LoopFrames loop =
        loopSource_->loopFor(scrStart_->sliderPosition(), scrEnd_->sliderPosition());
    const auto time = [](std::int64_t frames) {
        return QString::fromStdString(audio::formatTime(loop::framesToSeconds(frames)));
    };
    scrStart_->setToolTip(QStringLiteral("Loop start: ") + time(loop.startFrame));
    scrEnd_->setToolTip(QStringLiteral("Loop end: ") + time(loop.endFrame));
}

// Only the selected file is looked at, when it is selected, so a large folder lists as
// quickly as ever; the hint is a mark on the entry, never a box in the way.
void frmMain::hintSourceFormat() {
    if (srcFile_->fileName().empty()) return;
    srcFile_->markSelected(style()->standardIcon(QStyle::SP_MessageBoxWarning),
                           hint_ ? QString::fromStdString(*hint_) : QString());
}

void frmMain::showNotice(const QString& text) {
    constexpr int kShownMs = 15000;
    QToolTip::showText(mapToGlobal(QPoint(0, height())), text, this, {}, kShownMs);
}

bool frmMain::selectSourceFile(const std::string& path) {
    if (!isEnabled()) return false;
    const std::string directory = platform::parentOf(path);
    const std::string name = platform::fileNameOf(path);
    try {
        srcDrive_->setDrive(directory);  // raises srcDrive_Change when the volume differs
        srcDir_->setPath(directory);     // raises srcDir_Change when the directory differs
        srcFile_->refresh();             // lists the file also when the directory stayed
    } catch (const DirectoryError&) {
        return false;
    }
    srcFile_->setFileName(name);  // raises srcFile_Click
    return srcFile_->fileName() == name;
}

std::string frmMain::selectedFileName() const {
    return srcFile_->fileName();
}

std::string frmMain::sourceFolder() const {
    return srcFile_->path();
}

LoopSliders frmMain::loopSliders() const {
    return {scrStart_->value(), scrEnd_->value()};
}

LoopSliders frmMain::loopThumbs() const {
    return {scrStart_->sliderPosition(), scrEnd_->sliderPosition()};
}

bool frmMain::setLoop(LoopSliders loop) {
    if (!isEnabled()) return false;
    // The end goes first, the start last: whatever the rules moved on the way, the start
    // set last lies at or below the end, so the pair stays as chosen.
    if (!playLoop_->isChecked()) playLoop_->click();
    scrEnd_->setValue(loop.end);
    scrStart_->setValue(loop.start);
    return true;
}

void frmMain::returnFocus() {
    if (isEnabled()) activateWindow();
}

void frmMain::onLoopChanged(QObject* receiver, std::function<void()> react) {
    connect(this, &frmMain::loopChanged, receiver, std::move(react));
}

void frmMain::mnuSave_Click() {
    setEnabled(false);
    if (!frmSave_) frmSave_ = new frmSave(*this, savePath_);
    showOnTop(frmSave_);
}

void frmMain::mnuAbout_Click() {
    // The about window disables this window itself whenever it becomes active.
    if (!frmAbout_) frmAbout_ = new frmAbout(*this);
    showOnTop(frmAbout_);
}

// A tool window stands beside this one and leaves it enabled.
void frmMain::openTool(QPointer<QWidget>& window, QWidget* (ToolWindows::*make)(MainWindowLink&)) {
    if (services_.tools == nullptr) return;
    if (!window) {
        window = (services_.tools->*make)(*this);
        placeBesideMainWindow(*window, *this);
    }
    showOnTop(window);
}

void frmMain::mnuPrepareAudio_Click() {
    openTool(prepareAudio_, &ToolWindows::makePrepareAudio);
}

void frmMain::mnuLoop_Click() {
    openTool(loopWindow_, &ToolWindows::makeLoop);
}

void frmMain::mnuExit_Click() {
    services_.endProgram();
}

void frmMain::Form_Unload() {
    services_.endProgram();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // While a secondary window is open this window takes no input, a close through its
    // frame included.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    event->accept();
    Form_Unload();
}

void frmMain::enableAndFocus() {
    setEnabled(true);
    activateWindow();
    raise();
}

void frmMain::reportUnreadable(const DirectoryError& error) {
    services_.user.messageBox(
        error.path() + ": cannot read the directory: " + error.reason().message(),
        MessageStyle::Warning);
}

}  // namespace corvan::ui
