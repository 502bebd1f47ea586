#pragma once

#include "platform/PosixFileSystem.h"
#include "soundtrack/MusicPack.h"
#include "soundtrack/OriginalsStore.h"
#include "ui/tools/BackgroundWork.h"
#include "ui/tools/QtTrash.h"

#include <QString>
#include <QWidget>

#include <optional>
#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace corvan::ui {

// Where the soundtrack window looks: the home and Wine prefix for the game, the data folder
// for the game's kept tracks, and the file it remembers the chosen folder in.
struct SoundtrackPlaces {
    std::string home, winePrefix, dataHome, settingsFile;
    // As this process's environment gives them.
    static SoundtrackPlaces fromEnvironment();
};

// Tools > Soundtrack: the game's music folder (those found on this machine, or one chosen,
// remembered between runs), its tracks with their states, and what can be done to them: a
// track replaced with a recording or restored, a music pack applied, every track restored.
// Long work runs in the background with a progress bar and Cancel; the window says how it
// went in itself, and the main window is left as it is.
class SoundtrackWindow : public QWidget {
    Q_OBJECT

public:
    explicit SoundtrackWindow(SoundtrackPlaces places);
    ~SoundtrackWindow() override;

    // Shows `folder`'s tracks and remembers it.
    void chooseFolder(const QString& folder);
    QString folder() const;
    bool isWorking() const { return work_.isRunning() || finding_.isRunning(); }

    // What the buttons start, once the files are chosen.
    void applyPack(const QString& pack);
    // `loopSeconds`: where a looped track loops; nothing finds the loop.
    void replaceTrack(const QString& track, const QString& recording, bool looped,
                      std::optional<std::pair<double, double>> loopSeconds = std::nullopt);
    void restoreTracks(const std::vector<QString>& tracks);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void foundFolders(std::optional<std::vector<std::string>> folders);
    void refresh();
    QString selectedTrack() const;
    void start(std::function<QString(const std::function<bool()>& stop)> work);
    // Puts `pack` in place in `music` (from the work's thread); `done` words a success.
    QString putInPlace(const soundtrack::MusicPack& pack, const std::string& named,
                       const std::string& music, const std::function<bool()>& stop,
                       const std::function<QString(std::size_t tracks)>& done);
    void finished(std::optional<QString> message);
    void setWorking(bool working);

    SoundtrackPlaces places_;
    platform::PosixFileSystem files_;
    soundtrack::OriginalsStore store_;
    QtTrash trash_;
    QComboBox* folders_ = nullptr;
    QTableWidget* tracks_ = nullptr;
    QPushButton *browse_ = nullptr, *replace_ = nullptr, *restore_ = nullptr, *applyPack_ = nullptr,
                *restoreAll_ = nullptr, *cancel_ = nullptr, *close_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;
    BackgroundWork<std::vector<std::string>> finding_{this};
    BackgroundWork<QString> work_{this};
};

}  // namespace corvan::ui
