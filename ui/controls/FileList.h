#pragma once

#include "ui/controls/ListBox.h"
#include "ui/controls/UserAction.h"
#include "ui/controls/Volumes.h"

#include <functional>
#include <string>

namespace corvan::ui {

// The names of one directory's files that match a pattern, one of them selectable. Click
// is raised whenever the selected file really changes, by the user or by code; showing
// another directory leaves nothing selected and raises nothing.
class FileList : public ListBox {
    Q_OBJECT

public:
    FileList(VolumeTable& volumes, platform::Directories& directories, std::string pattern,
             QWidget* parent = nullptr);

    const std::string& path() const { return path_; }
    // Shows a directory, or a volume's current directory when given its drive text, with
    // nothing selected. Throws DirectoryError, and stays where it was, if the directory
    // cannot be read.
    void setPath(const std::string& driveTextOrPath);
    // Reads the directory again; the selected file stays selected while it is listed. If the
    // directory cannot be read any more, the list is emptied and DirectoryError thrown.
    void refresh();

    // The selected file's name without its directory; empty when none is selected.
    const std::string& fileName() const { return fileName_; }
    // Selects a listed file by name; an empty or unlisted name clears the selection.
    void setFileName(const std::string& name);

    const std::string& pattern() const { return pattern_; }

    // Marks the selected entry with an icon and a note that its tooltip gives below the
    // name; an empty note takes the mark away. The mark goes with the selection, and with
    // the entry when the directory is read again.
    void markSelected(const QIcon& icon, const QString& note);
    const QString& selectedNote() const { return note_; }

    // A plain callback, not a signal: it may throw, and no exception may cross a Qt slot.
    std::function<void()> onClick;
    ReadErrorHandler onReadError;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    QString toolTipFor(const QListWidgetItem& item) const override;

private:
    void show(const std::string& directory, const std::vector<std::string>& names,
              const std::string& keep);
    void selectionChanged();
    void unmark();

    VolumeTable& volumes_;
    platform::Directories& directories_;
    std::string pattern_;
    std::string path_;
    std::vector<std::string> names_;  // the listed names, row by row, as the system spells them
    std::string fileName_;
    int markedRow_ = -1;
    QString note_;
};

}  // namespace corvan::ui
