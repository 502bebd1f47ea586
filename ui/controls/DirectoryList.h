#pragma once

#include "ui/controls/ListBox.h"
#include "ui/controls/UserAction.h"
#include "ui/controls/Volumes.h"

#include <functional>
#include <string>

namespace corvan::ui {

// The directories from the volume's own root down to the current one, then the current
// directory's subdirectories. Opening an entry (double click or Enter) makes it current; Change is
// raised whenever the current directory really changes, by the user or by code, before
// the call that changed it returns.
class DirectoryList : public ListBox {
    Q_OBJECT

public:
    DirectoryList(VolumeTable& volumes, platform::Directories& directories,
                  QWidget* parent = nullptr);

    // The current directory: a full path, without a trailing separator unless it is the
    // root.
    const std::string& path() const { return path_; }
    // Moves to a directory, or to a volume's current directory when given its drive text.
    // Throws DirectoryError, and stays where it was, if the directory cannot be read.
    void setPath(const std::string& driveTextOrPath);

    // A plain callback, not a signal: it may throw, and no exception may cross a Qt slot.
    std::function<void()> onChange;
    ReadErrorHandler onReadError;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    QString toolTipFor(const QListWidgetItem& item) const override;

private:
    void show(const std::string& directory, const std::vector<std::string>& subdirectories);
    void open(QListWidgetItem* item);
    void highlightCurrent();

    VolumeTable& volumes_;
    platform::Directories& directories_;
    std::string path_;
};

}  // namespace corvan::ui
