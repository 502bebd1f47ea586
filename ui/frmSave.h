#pragma once

#include <QDialog>

#include <string>

class QPushButton;

namespace corvan::ui {

class DirectoryList;
class DriveList;
class FileList;
class frmMain;

// The dialog in which the user picks the IMC file that the conversion replaces. OK gives
// that file its backup name and runs the conversion from the main window's source file.
class frmSave : public QDialog {
    Q_OBJECT

public:
    // `savePath` is the dialog's directory; it lives as long as the main window, so that
    // the dialog reopens where it was used last even after its window was closed.
    frmSave(frmMain& main, std::string& savePath);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Activate();
    void saveDrive_Change();
    void saveDir_Change();
    void saveFile_Click();
    void btnOK_Click();
    void btnCancel_Click();
    void Form_Unload();

    frmMain& main_;
    std::string& savePath;

    DriveList* saveDrive_ = nullptr;
    DirectoryList* saveDir_ = nullptr;
    FileList* saveFile_ = nullptr;
    QPushButton* btnOK_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
};

}  // namespace corvan::ui
