#pragma once

#include "engine/ConversionInputs.h"
#include "ui/windows/LoopSource.h"
#include "ui/windows/MainWindowLink.h"
#include "ui/windows/Services.h"

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
class frmAbout;
class frmSave;

// The start-up window: the source file, the music type and the loop, and the menu that
// leads to the save dialog and the about window. It holds the conversion inputs as the
// state of its controls, and the engine reads them from there when a conversion runs.
// The tool windows see it only as a MainWindowLink.
class frmMain : public QMainWindow, public ConversionInputs, public MainWindowLink {
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

    // A file that has gone leaves nothing selected, and Save disabled.
    void rereadSourceFiles() override;
    // The lists' change rules run as if the user had picked the file.
    bool selectSourceFile(const std::string& path) override;
    std::string selectedFileName() const override;
    std::string sourceFolder() const override;
    const std::optional<LoopSource>& selectedRecording() const override { return loopSource_; }
    bool loopChosen() const override { return playLoopValue(); }
    LoopSliders loopSliders() const override;
    LoopSliders loopThumbs() const override;
    // Through the controls, so that their rules run as for the user.
    bool setLoop(LoopSliders loop) override;
    void returnFocus() override;
    void onLoopChanged(QObject* receiver, std::function<void()> react) override;

    // The windows made on first use; null before that and after a close through the frame.
    frmSave* saveDialog() const;
    frmAbout* aboutWindow() const;

    // Shows `text` beside the window for a while, without a box to dismiss: what the user may
    // want to know but need not answer.
    void showNotice(const QString& text);

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
    void openTool(QPointer<QWidget>& window, QWidget* (ToolWindows::*make)(MainWindowLink&));

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
    QPointer<QWidget> prepareAudio_;
    QPointer<QWidget> loopWindow_;
    QPointer<QWidget> soundtrackWindow_;
    std::optional<LoopSource> loopSource_;
    std::optional<std::string> hint_;  // the selected file's, from its one check
};

}  // namespace corvan::ui
