#include "FileList.h"

#include "ui/controls/DirectoryReader.h"

#include <QKeyEvent>
#include <QSignalBlocker>

#include <algorithm>

namespace corvan::ui {

FileList::FileList(VolumeTable& volumes, platform::Directories& directories, std::string pattern,
                   QWidget* parent)
    : ListBox(parent), volumes_(volumes), directories_(directories), pattern_(std::move(pattern)) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);  // keeps a directory of thousands of files quick to show
    // A marked entry's icon fits the line of text, so no entry grows taller than the rest.
    const int line = fontMetrics().height();
    setIconSize(QSize(line, line));
    connect(this, &QListWidget::itemSelectionChanged, this, &FileList::selectionChanged);
    const std::string start = volumes_.workingDirectory();
    std::vector<std::string> names;
    try {
        names = readMatchingFiles(directories_, start, pattern_);
    } catch (const DirectoryError&) {
        // Nothing to list from a working directory that cannot be read.
    }
    show(start, names, {});
}

void FileList::setPath(const std::string& driveTextOrPath) {
    const std::string directory = volumes_.resolve(driveTextOrPath);
    if (directory == path_) return;
    show(directory, readMatchingFiles(directories_, directory, pattern_), {});
}

void FileList::refresh() {
    try {
        show(path_, readMatchingFiles(directories_, path_, pattern_), fileName_);
    } catch (const DirectoryError&) {
        // What the directory holds is no longer known: offer nothing that may be gone.
        show(path_, {}, {});
        throw;
    }
}

void FileList::show(const std::string& directory, const std::vector<std::string>& names,
                    const std::string& keep) {
    const QSignalBlocker quiet(this);
    path_ = directory;
    volumes_.noteShown(directory);
    names_ = names;
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(names.size()));
    int keptRow = -1;
    for (const std::string& name : names) {
        if (!keep.empty() && name == keep) keptRow = static_cast<int>(texts.size());
        texts.push_back(QString::fromStdString(name));
    }
    setUpdatesEnabled(false);
    clear();
    markedRow_ = -1;
    note_.clear();
    addItems(texts);
    if (keptRow >= 0) {
        setCurrentRow(keptRow);
    }
    fileName_ = keptRow >= 0 ? keep : std::string();
    setUpdatesEnabled(true);
}

void FileList::setFileName(const std::string& name) {
    const auto found = name.empty() ? names_.end() : std::find(names_.begin(), names_.end(), name);
    {
        const QSignalBlocker quiet(this);
        if (found == names_.end()) {
            clearSelection();
        } else {
            setCurrentRow(static_cast<int>(found - names_.begin()));
        }
    }
    selectionChanged();
}

void FileList::selectionChanged() {
    const QModelIndexList selected = selectionModel()->selectedRows();
    const std::string name = selected.isEmpty() ? std::string() : names_.at(selected.front().row());
    if (name == fileName_) return;
    fileName_ = name;
    unmark();
    runUserAction(onReadError, [this] {
        if (onClick) onClick();
    });
}

void FileList::markSelected(const QIcon& icon, const QString& note) {
    unmark();
    const QModelIndexList selected = selectionModel()->selectedRows();
    if (note.isEmpty() || selected.isEmpty()) return;
    markedRow_ = selected.front().row();
    note_ = note;
    item(markedRow_)->setIcon(icon);
}

void FileList::unmark() {
    if (markedRow_ >= 0 && markedRow_ < count()) item(markedRow_)->setIcon(QIcon());
    markedRow_ = -1;
    note_.clear();
}

QString FileList::toolTipFor(const QListWidgetItem& entry) const {
    if (markedRow_ < 0 || row(&entry) != markedRow_) return entry.text();
    return entry.text() + QLatin1Char('\n') + note_;
}

}  // namespace corvan::ui

namespace corvan::ui {

// With nothing selected, the first arrow key selects the entry that has the focus rather
// than the one after it.
void FileList::keyPressEvent(QKeyEvent* event) {
    const bool arrow = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up;
    if (arrow && fileName_.empty() && currentRow() >= 0 && event->modifiers() == Qt::NoModifier) {
        setCurrentRow(currentRow());
        return;
    }
    ListBox::keyPressEvent(event);
}

}  // namespace corvan::ui
