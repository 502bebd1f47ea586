#include "DirectoryList.h"

#include "DirectoryReader.h"
#include "Paths.h"

#include <QKeyEvent>
#include <QStyle>

namespace corvan::ui {

namespace {

constexpr int kPathRole = Qt::UserRole;

QString indent(std::size_t depth) {
    return QString(static_cast<int>(depth) * 2, QLatin1Char(' '));
}

}  // namespace

DirectoryList::DirectoryList(VolumeTable& volumes, QWidget* parent)
    : QListWidget(parent), volumes_(volumes) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, &DirectoryList::open);
    const std::string start = volumes_.workingDirectory();
    std::vector<std::string> subdirectories;
    try {
        subdirectories = readSubdirectories(start);
    } catch (const DirectoryError&) {
        // A working directory that cannot be read still shows the way up from it.
    }
    show(start, subdirectories);
}

void DirectoryList::setPath(const std::string& driveTextOrPath) {
    const std::string directory = volumes_.resolve(driveTextOrPath);
    if (directory == path_) return;
    show(directory, readSubdirectories(directory));
    if (onChange) onChange();
}

void DirectoryList::show(const std::string& directory,
                         const std::vector<std::string>& subdirectories) {
    path_ = directory;
    volumes_.noteShown(directory);
    setUpdatesEnabled(false);
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const std::vector<std::string> chain = pathFromRoot(directory);
    for (std::size_t depth = 0; depth < chain.size(); ++depth) {
        auto* item = new QListWidgetItem(
            openIcon, indent(depth) + QString::fromStdString(lastComponent(chain[depth])), this);
        item->setData(kPathRole, QByteArray::fromStdString(chain[depth]));
    }
    setCurrentRow(static_cast<int>(chain.size()) - 1);
    for (const std::string& name : subdirectories) {
        auto* item = new QListWidgetItem(closedIcon,
                                         indent(chain.size()) + QString::fromStdString(name), this);
        item->setData(kPathRole, QByteArray::fromStdString(withSeparator(directory) + name));
    }
    setUpdatesEnabled(true);
}

void DirectoryList::open(QListWidgetItem* item) {
    if (item == nullptr) return;
    const std::string directory = item->data(kPathRole).toByteArray().toStdString();
    runUserAction(onReadError, [&] { setPath(directory); });
}

void DirectoryList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        open(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

}  // namespace corvan::ui
