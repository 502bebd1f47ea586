#pragma once

#include "LoopSource.h"
#include "Services.h"
#include "engine/ConversionInputs.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QRadioButton;

namespace corvan::ui {

class DirectoryError;
class DirectoryList;
class DriveList;
class FileList;
class FilePicker;
class HorizontalScrollBar;
class LoopWindow;
class PrepareAudioWindow;
class frmAbout;
class frmSave;

// The start-up window: the source file, the music type and the loop, and the menu that
// leads to the save dialog and the about window. It holds the conversion inputs as the
// state of its controls, and the engine reads them from there when a conversion runs.
class frmMain : public QMainWindow, public ConversionInputs {
    Q_OBJECT

public:
    // `arguments` are the command line's arguments after the program's name.
    frmMain(Services services, const std::vector<std::string>& arguments,
            QWidget* parent = nullptr);
    ~frmMain() override;

    bool DEBUGFLAG() const override { return debugFlag_; }
    bool playOnceValue() const override;
    bool playLoopValue() const override;
    std::int16_t scrStartValue() const override;
    std::int16_t scrStartMax() const override;
    std::int16_t scrEndValue() const override;
    std::int16_t scrEndMax() const override;

    // The source file as the save dialog reads it.
    const FileList& srcFile() const { return *srcFile_; }
    Services& services() { return services_; }

    // Enables the window again and makes it the active window, as the secondary windows
    // do on every way out.
    void enableAndFocus();

    // Tells the user that a directory could not be shown.
    void reportUnreadable(const DirectoryError& error);

    // Reads the source folder again, keeping the selection while the file is listed; a file
    // that has gone leaves nothing selected, and Save disabled.
    void rereadSourceFiles();

    // Selects a file as the source through the drive, directory and file lists, so that
    // their change rules run as if the user had picked it. False, with nothing reported,
    // when the window takes no input or the file cannot be listed and selected.
    bool selectSourceFile(const std::string& path);

    // The windows made on first use; null before that and after a close through the frame.
    frmSave* saveDialog() const;
    frmAbout* aboutWindow() const;
    PrepareAudioWindow* prepareAudioWindow() const;
    LoopWindow* loopWindow() const;

    // The loop's controls, for the Loop window to set the loop as the user would.
    QRadioButton* playLoopButton() const { return playLoop_; }
    HorizontalScrollBar* scrStartBar() const { return scrStart_; }
    HorizontalScrollBar* scrEndBar() const { return scrEnd_; }
    // The selected recording's times; nothing without one that libsndfile reads.
    const std::optional<LoopSource>& loopSource() const { return loopSource_; }

signals:
    // The source file, the music type or a slider (its thumb, while dragged) moved.
    void loopChanged();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void showOnTop(QWidget* window);

    void Form_Load(const std::vector<std::string>& arguments);
    void playOnce_Click();
    void playLoop_Click();
    void scrStart_Change();
    void scrEnd_Change();
    void srcDir_Change();
    void srcDrive_Change();
    void chgDrive();
    void srcFile_Click();
    void mnuSave_Click();
    void mnuAbout_Click();
    void mnuPrepareAudio_Click();
    void mnuLoop_Click();
    void loopInputsChanged();
    void updateSliderTips();
    void hintSourceFormat();
    void mnuExit_Click();
    void Form_Unload();

    Services services_;
    bool debugFlag_ = false;
    bool recoveringDrive_ = false;
    std::string srcPath;
    // The save dialog's directory outlives the dialog's window, for the whole run.
    std::string savePath_;

    std::unique_ptr<FilePicker> source_;
    DriveList* srcDrive_ = nullptr;
    DirectoryList* srcDir_ = nullptr;
    FileList* srcFile_ = nullptr;
    QRadioButton* playOnce_ = nullptr;
    QRadioButton* playLoop_ = nullptr;
    HorizontalScrollBar* scrStart_ = nullptr;
    HorizontalScrollBar* scrEnd_ = nullptr;
    QAction* mnuSave_ = nullptr;

    QPointer<frmSave> frmSave_;
    QPointer<frmAbout> frmAbout_;
    QPointer<PrepareAudioWindow> prepareAudio_;
    QPointer<LoopWindow> loopWindow_;
    std::optional<LoopSource> loopSource_;
    std::optional<std::string> hint_;  // the selected file's, from its one check
};

}  // namespace corvan::ui
