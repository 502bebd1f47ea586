#include "frmSave.h"

#include "engine/TrackReplacement.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/Paths.h"
#include "ui/windows/Twips.h"
#include "ui/windows/WindowFrame.h"
#include "ui/windows/frmMain.h"

namespace corvan::ui {

frmSave::frmSave(frmMain& main, std::string& savePath) : SecondaryWindow(main), savePath(savePath) {
    setObjectName(QStringLiteral("frmSave"));
    setWindowTitle(QStringLiteral("Save IMC File..."));
    setFixedSize(twips(4680), twips(4890));
    offerNoMaximize(*this);

    target_ = std::make_unique<FilePicker>(
        this, main_.services().volumes, main_.services().directories, "*.imc",
        FilePicker::Names{"saveDrive", "saveDir", "saveFile"},
        FilePicker::Handlers{
            [this] { saveDrive_Change(); }, [this] { saveDir_Change(); },
            [this] { saveFile_Click(); },
            [this](const DirectoryError& error) { main_.reportUnreadable(error); }});
    saveDrive_ = target_->drive;
    saveDir_ = target_->directory;
    saveFile_ = target_->file;
    placeInTwips(saveDrive_, 240, 120, 4215, 315);
    placeInTwips(saveDir_, 240, 600, 4215, 2340);
    placeInTwips(saveFile_, 240, 3120, 4215, 1260);
    btnOK_ = new CommandButton(QStringLiteral("OK"), this);
    btnOK_->setObjectName(QStringLiteral("btnOK"));
    placeInTwips(btnOK_, 600, 4440, 1455, 375);
    btnCancel_ = new CommandButton(QStringLiteral("Cancel"), this);
    btnCancel_->setObjectName(QStringLiteral("btnCancel"));
    placeInTwips(btnCancel_, 2760, 4440, 1335, 375);

    setTabOrder(saveDrive_, saveFile_);
    setTabOrder(saveFile_, btnOK_);
    setTabOrder(btnOK_, btnCancel_);
    setTabOrder(btnCancel_, saveDir_);
    saveDrive_->setFocus();

    connect(btnOK_, &QPushButton::clicked, this, &frmSave::btnOK_Click);
    connect(btnCancel_, &QPushButton::clicked, this, &frmSave::btnCancel_Click);
}

frmSave::~frmSave() = default;

void frmSave::Form_Activate() {
    // The box that reports a failure below activates this window again when it goes; that
    // activation must not run into the same failure and show the box again, forever.
    if (activating_) return;
    activating_ = true;
    if (savePath.empty()) savePath = main_.services().applicationDirectory;
    try {
        saveDrive_->setDrive(savePath);
        // Each step reads savePath afresh: the change raised by the step before may have
        // moved it.
        saveDir_->setPath(savePath);
        saveFile_->setPath(savePath);
        // A dialog that was only hidden still lists what it read then; the folder may have
        // changed or gone since.
        saveFile_->refresh();
    } catch (const DirectoryError& error) {
        // The folder used last is gone or cannot be read: carry on from the nearest one
        // above it that can be.
        savePath = target_->showReadableAbove(error.path());
        // Once per failure: not again for the activation that dismissing the box causes.
        if (reportedFailure_ != error.path()) {
            reportedFailure_ = error.path();
            main_.reportUnreadable(error);
        }
    }
    btnOK_->setEnabled(!saveFile_->fileName().empty());
    activating_ = false;
}

// Each opening starts on the drive list, as the first one does.
void frmSave::showEvent(QShowEvent* event) {
    SecondaryWindow::showEvent(event);
    saveDrive_->setFocus(Qt::OtherFocusReason);
}

void frmSave::hideEvent(QHideEvent* event) {
    reportedFailure_.clear();
    SecondaryWindow::hideEvent(event);
}

void frmSave::saveDrive_Change() {
    saveFile_->setPath(saveDrive_->drive());
    savePath = saveDrive_->drive();
    saveDir_->setPath(savePath);  // raises saveDir_Change, which sets savePath to the directory
    saveFile_->refresh();
    saveFile_Click();
}

void frmSave::saveDir_Change() {
    savePath = saveDir_->path();
    target_->showFilesOf(savePath);
    saveFile_Click();
}

void frmSave::saveFile_Click() {
    btnOK_->setEnabled(!saveFile_->fileName().empty());
}

void frmSave::btnOK_Click() {
    Services& services = main_.services();
    const std::string sourcePath =
        withSeparator(main_.srcFile().path()) + main_.srcFile().fileName();
    const std::string targetPath = withSeparator(savePath) + saveFile_->fileName();
    if (main_.DEBUGFLAG())
        services.user.messageBox(sourcePath + " " + targetPath, MessageStyle::Plain);

    ImcBuilder builder(services.files, services.user, main_);
    const ReplacementResult result =
        replaceTrack(builder, services.files, services.user, sourcePath, targetPath,
                     OriginalTrack::Required, services.originals);
    if (result.error) services.user.messageBox(result.error->describe(), MessageStyle::Error);
    // Never a box of its own: the specified flow goes on as it is.
    if (result.originalNotKept) main_.showNotice(QString::fromStdString(*result.originalNotKept));
    // After a failed backup step nothing has changed: the user can pick another file or
    // cancel. After a conversion, failed or not, the dialog is done.
    if (result.outcome == ReplacementResult::Outcome::BackupFailed) return;
    returnToMainWindow();
}

void frmSave::btnCancel_Click() {
    returnToMainWindow();
}

void frmSave::Form_Unload() {
    btnCancel_Click();
}

}  // namespace corvan::ui
