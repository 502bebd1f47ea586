#pragma once

#include "ui/windows/SecondaryWindow.h"

#include <memory>
#include <string>

class QPushButton;

namespace corvan::ui {

class DirectoryList;
class DriveList;
class FileList;
class FilePicker;

// The dialog in which the user picks the IMC file that the conversion replaces. OK gives
// that file its backup name and runs the conversion from the main window's source file.
class frmSave : public SecondaryWindow {
    Q_OBJECT

public:
    // `savePath` is the dialog's directory; it lives as long as the main window, so that
    // the dialog reopens where it was used last even after its window was closed.
    frmSave(frmMain& main, std::string& savePath);
    ~frmSave() override;

private:
    void Form_Activate() override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void saveDrive_Change();
    void saveDir_Change();
    void saveFile_Click();
    void btnOK_Click();
    void btnCancel_Click();
    void Form_Unload() override;

    std::string& savePath;
    bool activating_ = false;
    // The directory whose failure the current showing of the dialog has reported.
    std::string reportedFailure_;

    std::unique_ptr<FilePicker> target_;
    DriveList* saveDrive_ = nullptr;
    DirectoryList* saveDir_ = nullptr;
    FileList* saveFile_ = nullptr;
    QPushButton* btnOK_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
};

}  // namespace corvan::ui
