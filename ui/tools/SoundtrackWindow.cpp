#include "SoundtrackWindow.h"

#include "audio/Wording.h"
#include "platform/Environment.h"
#include "platform/PathNames.h"
#include "platform/PosixDirectories.h"
#include "soundtrack/MusicFolderFinder.h"
#include "soundtrack/MusicPack.h"
#include "soundtrack/PackApplier.h"
#include "soundtrack/SetReplacement.h"
#include "soundtrack/TrackRestorer.h"
#include "soundtrack/TrackStatus.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/Named.h"
#include "ui/windows/WindowFrame.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QSettings>
#include <QShortcut>
#include <QTableWidget>

namespace corvan::ui {

namespace {

constexpr const char* kFolderKey = "soundtrack/folder";

std::string orEmpty(const std::optional<std::string>& value) {
    return value.value_or("");
}

QString time(const std::optional<double>& seconds) {
    return seconds ? QString::fromStdString(audio::formatTime(*seconds)) : QString();
}

}  // namespace

SoundtrackPlaces SoundtrackPlaces::fromEnvironment() {
    using platform::environmentVariable;
    SoundtrackPlaces places;
    places.home = orEmpty(environmentVariable("HOME"));
    places.winePrefix = orEmpty(environmentVariable("WINEPREFIX"));
    const std::string share = places.home.empty() ? "" : places.home + "/.local/share";
    places.dataHome = environmentVariable("XDG_DATA_HOME").value_or(share);
    const std::string config = places.home.empty() ? "" : places.home + "/.config";
    const std::string configHome = environmentVariable("XDG_CONFIG_HOME").value_or(config);
    if (!configHome.empty()) places.settingsFile = configHome + "/corvan/soundtrack.ini";
    return places;
}

SoundtrackWindow::SoundtrackWindow(SoundtrackPlaces places)
    : places_(std::move(places)),
      store_(places_.dataHome.empty() ? std::string()
                                      : soundtrack::OriginalsStore::rootIn(places_.dataHome)) {
    setObjectName(QStringLiteral("soundtrackWindow"));
    setWindowTitle(QStringLiteral("Soundtrack"));
    setAttribute(Qt::WA_DeleteOnClose);
    offerNoMaximize(*this);

    folders_ = named(new QComboBox(this), "folders");
    // Long paths scroll in the list; the window stays narrow enough to stand beside the main one.
    folders_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    folders_->setMinimumContentsLength(16);
    browse_ = named(new CommandButton(QStringLiteral("&Browse..."), this), "browse");
    tracks_ = named(new QTableWidget(0, 6, this), "tracks");
    tracks_->setHorizontalHeaderLabels({QStringLiteral("Track"), QStringLiteral("State"),
                                        QStringLiteral("Kind"), QStringLiteral("Length"),
                                        QStringLiteral("Loop"), QStringLiteral("Kept")});
    tracks_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tracks_->setSelectionMode(QAbstractItemView::SingleSelection);
    tracks_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tracks_->verticalHeader()->hide();
    tracks_->horizontalHeader()->setStretchLastSection(true);
    tracks_->setMinimumWidth(300);
    replace_ = named(new CommandButton(QStringLiteral("Replace &with..."), this), "replace");
    restore_ = named(new CommandButton(QStringLiteral("&Restore"), this), "restore");
    applyPack_ = named(new CommandButton(QStringLiteral("Apply &Pack..."), this), "applyPack");
    restoreAll_ = named(new CommandButton(QStringLiteral("Restore &All"), this), "restoreAll");
    progress_ = named(new QProgressBar(this), "progress");
    progress_->setTextVisible(false);
    cancel_ = named(new CommandButton(QStringLiteral("Cancel"), this), "cancel");
    close_ = named(new CommandButton(QStringLiteral("Close"), this), "close");
    status_ = named(new QLabel(this), "status");
    status_->setWordWrap(true);

    auto* grid = new QGridLayout(this);
    auto* caption = new QLabel(QStringLiteral("&Music folder:"), this);
    caption->setBuddy(folders_);
    grid->addWidget(caption, 0, 0);
    grid->addWidget(folders_, 0, 1);
    grid->addWidget(browse_, 0, 2);
    grid->addWidget(tracks_, 1, 0, 1, 3);
    // What concerns the track chosen, then the whole folder.
    auto* trackButtons = new QHBoxLayout;
    for (QPushButton* button : {replace_, restore_}) trackButtons->addWidget(button);
    trackButtons->addStretch(1);
    grid->addLayout(trackButtons, 2, 0, 1, 3);
    auto* folderButtons = new QHBoxLayout;
    for (QPushButton* button : {applyPack_, restoreAll_}) folderButtons->addWidget(button);
    folderButtons->addStretch(1);
    grid->addLayout(folderButtons, 3, 0, 1, 3);
    auto* workRow = new QHBoxLayout;
    workRow->addWidget(progress_, 1);
    workRow->addWidget(cancel_);
    grid->addLayout(workRow, 4, 0, 1, 3);
    grid->addWidget(status_, 5, 0, 1, 3);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(close_);
    grid->addLayout(closeRow, 6, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    resize(640, 460);

    connect(folders_, &QComboBox::activated, this,
            [this](int index) { chooseFolder(folders_->itemText(index)); });
    connect(browse_, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(
            this, QStringLiteral("The game's music folder"), folder());
        if (!chosen.isEmpty()) chooseFolder(chosen);
    });
    connect(replace_, &QPushButton::clicked, this, [this] {
        const QString track = selectedTrack();
        if (track.isEmpty()) return;
        const QString recording = QFileDialog::getOpenFileName(
            this, QStringLiteral("Replace %1 with").arg(track), folder());
        if (recording.isEmpty()) return;
        const auto looped = QMessageBox::question(
            this, QStringLiteral("Soundtrack"),
            QStringLiteral("Loop %1 where it loops most seamlessly? No plays it once.")
                .arg(QFileInfo(recording).fileName()),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        if (looped == QMessageBox::Cancel) return;
        std::optional<std::pair<double, double>> loop;
        if (looped == QMessageBox::Yes) {
            bool ok = false;
            const QString typed = QInputDialog::getText(
                this, QStringLiteral("Soundtrack"),
                QStringLiteral("Loop from and to, in seconds (12.5 47.25); empty: the most "
                               "seamless loop is found:"),
                QLineEdit::Normal, QString(), &ok);
            if (!ok) return;
            const QStringList parts =
                typed.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            bool first = false, second = false;
            if (parts.size() == 2) {
                loop = {parts[0].toDouble(&first), parts[1].toDouble(&second)};
                if (!first || !second || loop->first < 0 || loop->second <= loop->first) {
                    status_->setText(QStringLiteral("Not a loop: \"%1\".").arg(typed));
                    return;
                }
            } else if (!parts.isEmpty()) {
                status_->setText(QStringLiteral("Not a loop: \"%1\".").arg(typed));
                return;
            }
        }
        replaceTrack(track, recording, looped == QMessageBox::Yes, loop);
    });
    connect(restore_, &QPushButton::clicked, this, [this] {
        if (!selectedTrack().isEmpty()) restoreTracks({selectedTrack()});
    });
    connect(applyPack_, &QPushButton::clicked, this, [this] {
        const QString pack = QFileDialog::getOpenFileName(
            this, QStringLiteral("Music pack"), QString(), QStringLiteral("Music packs (*.toml)"));
        if (!pack.isEmpty()) applyPack(pack);
    });
    connect(restoreAll_, &QPushButton::clicked, this, [this] {
        std::vector<QString> all;
        for (int row = 0; row < tracks_->rowCount(); ++row)
            all.push_back(tracks_->item(row, 0)->text());
        restoreTracks(all);
    });
    connect(cancel_, &QPushButton::clicked, this, [this] { work_.cancel(); });
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);

    // The folder remembered from the last run first; the search adds the others.
    if (!places_.settingsFile.empty()) {
        const QSettings settings(QString::fromStdString(places_.settingsFile),
                                 QSettings::IniFormat);
        const QString remembered = settings.value(QString::fromLatin1(kFolderKey)).toString();
        if (!remembered.isEmpty()) {
            folders_->addItem(remembered);
            refresh();
        }
    }
    status_->setText(QStringLiteral("Looking for the game..."));
    finding_.start(
        [places = places_](QPromise<std::vector<std::string>>&) {
            platform::PosixDirectories directories;
            return soundtrack::MusicFolderFinder(directories)
                .find({places.home, places.winePrefix, places.dataHome});
        },
        [this](std::optional<std::vector<std::string>> found) { foundFolders(std::move(found)); });
    setWorking(false);
}

SoundtrackWindow::~SoundtrackWindow() = default;

void SoundtrackWindow::closeEvent(QCloseEvent* event) {
    // Work under way stops, and whatever it had not put in place is as it was.
    finding_.stop();
    work_.stop();
    event->accept();
}

QString SoundtrackWindow::folder() const {
    return folders_->currentText();
}

void SoundtrackWindow::foundFolders(std::optional<std::vector<std::string>> found) {
    for (const std::string& one : found.value_or(std::vector<std::string>{})) {
        if (folders_->findText(QString::fromStdString(one)) < 0)
            folders_->addItem(QString::fromStdString(one));
    }
    status_->setText(folders_->count() == 0
                         ? QStringLiteral("No music folder of the game found: Browse for it.")
                         : QStringLiteral("%1 music folder(s) found.").arg(folders_->count()));
    if (tracks_->rowCount() == 0 && folders_->count() > 0) chooseFolder(folders_->itemText(0));
    setWorking(false);
}

void SoundtrackWindow::chooseFolder(const QString& chosen) {
    if (folders_->findText(chosen) < 0) folders_->addItem(chosen);
    folders_->setCurrentIndex(folders_->findText(chosen));
    if (!places_.settingsFile.empty()) {
        QSettings settings(QString::fromStdString(places_.settingsFile), QSettings::IniFormat);
        settings.setValue(QString::fromLatin1(kFolderKey), chosen);
    }
    refresh();
}

void SoundtrackWindow::refresh() {
    tracks_->setRowCount(0);
    if (folder().isEmpty()) return;
    std::error_code error;
    const auto states = soundtrack::readTrackStatus(files_, folder().toStdString(), store_, error);
    if (error) {
        status_->setText(folder() + QStringLiteral(": ") + QString::fromStdString(error.message()));
        return;
    }
    for (const soundtrack::TrackStatus& track : states) {
        const int row = tracks_->rowCount();
        tracks_->insertRow(row);
        const QString kind = !track.kind                         ? QString()
                             : *track.kind == ImcVariant::Looped ? QStringLiteral("looped")
                                                                 : QStringLiteral("queued");
        const QString loop =
            track.loopStartSeconds
                ? time(track.loopStartSeconds) + QStringLiteral(" to ") + time(track.loopEndSeconds)
                : QString();
        const QString kept = track.originalKept ? QStringLiteral("original")
                             : track.backupKept ? QStringLiteral(".bak")
                                                : QString();
        int column = 0;
        for (const QString& text : {QString::fromStdString(track.name),
                                    QString::fromLatin1(soundtrack::stateName(track.state)), kind,
                                    time(track.lengthSeconds), loop, kept}) {
            tracks_->setItem(row, column++, new QTableWidgetItem(text));
        }
    }
    tracks_->resizeColumnsToContents();
    if (tracks_->rowCount() > 0) tracks_->selectRow(0);
    setWorking(isWorking());
}

QString SoundtrackWindow::selectedTrack() const {
    const int row = tracks_->currentRow();
    return row < 0 ? QString() : tracks_->item(row, 0)->text();
}

void SoundtrackWindow::start(std::function<QString(const std::function<bool()>& stop)> work) {
    status_->setText(QStringLiteral("Working..."));
    work_.start(
        [work = std::move(work)](QPromise<QString>& promise) {
            return work([&promise] { return promise.isCanceled(); });
        },
        [this](std::optional<QString> message) { finished(std::move(message)); });
    setWorking(true);
}

void SoundtrackWindow::finished(std::optional<QString> message) {
    status_->setText(message.value_or(QStringLiteral("Cancelled: every track is as it was.")));
    setWorking(false);
    refresh();
}

void SoundtrackWindow::setWorking(bool working) {
    const bool idle = !working && !work_.isRunning();
    const bool tracks = tracks_->rowCount() > 0;
    for (QPushButton* button : {replace_, restore_, restoreAll_})
        button->setEnabled(idle && tracks);
    applyPack_->setEnabled(idle && !folder().isEmpty());
    browse_->setEnabled(idle);
    folders_->setEnabled(idle);
    cancel_->setEnabled(work_.isRunning());
    progress_->setRange(0, work_.isRunning() ? 0 : 1);  // busy while working
    progress_->setValue(0);
}

QString SoundtrackWindow::putInPlace(const soundtrack::MusicPack& pack, const std::string& named,
                                     const std::string& music, const std::function<bool()>& stop,
                                     const std::function<QString(std::size_t tracks)>& done) {
    std::string problem;
    const auto plan = soundtrack::planPack(pack, named, music, problem);
    if (!plan) return QString::fromStdString(problem);
    soundtrack::ApplyOptions options;
    options.shouldStop = stop;
    const auto result = soundtrack::applyPack(files_, pack, *plan, music, &store_, options);
    if (result.stopped) return QStringLiteral("Stopped: every track is as it was.");
    if (result.error) return QString::fromStdString(*result.error + "; every track is as it was");
    return done(result.tracks.size());
}

void SoundtrackWindow::applyPack(const QString& pack) {
    const std::string music = folder().toStdString();
    start([this, pack = pack.toStdString(), music](const std::function<bool()>& stop) {
        try {
            const soundtrack::MusicPack read = soundtrack::readMusicPack(pack);
            return putInPlace(read, pack, music, stop, [&](std::size_t tracks) {
                return QStringLiteral("%1 %2 replaced from %3.")
                    .arg(tracks)
                    .arg(tracks == 1 ? QStringLiteral("track") : QStringLiteral("tracks"))
                    .arg(QString::fromStdString(read.name.empty() ? pack : read.name));
            });
        } catch (const std::exception& error) {
            return QString::fromStdString(error.what());
        }
    });
}

void SoundtrackWindow::replaceTrack(const QString& track, const QString& recording, bool looped,
                                    std::optional<std::pair<double, double>> loopSeconds) {
    const std::string music = folder().toStdString();
    start([this, track = track.toStdString(), recording = recording.toStdString(), looped,
           loopSeconds, music](const std::function<bool()>& stop) {
        // One track is a pack of one, put in place the same way.
        soundtrack::MusicPack pack;
        soundtrack::PackTrack one;
        one.replace = track;
        one.recording = recording;
        one.kind = looped ? soundtrack::PackTrackKind::Looped : soundtrack::PackTrackKind::Queued;
        one.autoLoop = looped && !loopSeconds;
        if (looped && loopSeconds) {
            one.loopStartSeconds = loopSeconds->first;
            one.loopEndSeconds = loopSeconds->second;
        }
        pack.tracks.push_back(one);
        try {
            return putInPlace(pack, recording, music, stop, [&](std::size_t) {
                return QString::fromStdString(track + " replaced with " +
                                              platform::fileNameOf(recording) + ".");
            });
        } catch (const std::exception& error) {
            return QString::fromStdString(error.what());
        }
    });
}

void SoundtrackWindow::restoreTracks(const std::vector<QString>& tracks) {
    const std::string music = folder().toStdString();
    std::vector<std::string> names;
    for (const QString& track : tracks) names.push_back(track.toStdString());
    start([this, names, music](const std::function<bool()>&) {
        if (auto problem = soundtrack::SetReplacement(files_, music).recover())
            return QString::fromStdString(*problem);
        soundtrack::TrackRestorer restorer(files_, store_, trash_);
        QString said;
        int restored = 0;
        for (const std::string& name : names) {
            const auto result = restorer.restore(platform::joinPath(music, name));
            if (result.outcome == soundtrack::RestoreResult::Outcome::Restored) ++restored;
            // Of many, only what failed is worth a line; of one, whatever happened.
            if (names.size() == 1 || result.outcome == soundtrack::RestoreResult::Outcome::Failed)
                said += QString::fromStdString(result.message) + QLatin1Char('\n');
        }
        if (names.size() > 1)
            said += QStringLiteral("%1 of the game's tracks restored.").arg(restored);
        return said.trimmed();
    });
}

}  // namespace corvan::ui
