#include "DirectoryList.h"

#include "ui/controls/DirectoryReader.h"
#include "ui/controls/IndentedItemDelegate.h"
#include "ui/controls/Paths.h"

#include <QKeyEvent>
#include <QStyle>

namespace corvan::ui {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentStep = 8;

}  // namespace

DirectoryList::DirectoryList(VolumeTable& volumes, platform::Directories& directories,
                             QWidget* parent)
    : ListBox(parent), volumes_(volumes), directories_(directories) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new IndentedItemDelegate(kDepthRole, kIndentStep, this));
    connect(this, &QListWidget::itemDoubleClicked, this, &DirectoryList::open);
    const std::string start = volumes_.workingDirectory();
    std::vector<std::string> subdirectories;
    try {
        subdirectories = readSubdirectories(directories_, start);
    } catch (const DirectoryError&) {
        // A working directory that cannot be read still shows the way up from it.
    }
    show(start, subdirectories);
}

void DirectoryList::setPath(const std::string& driveTextOrPath) {
    const std::string directory = volumes_.resolve(driveTextOrPath);
    if (directory == path_) return;
    show(directory, readSubdirectories(directories_, directory));
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
    const std::vector<std::string> chain = volumes_.pathFromVolumeRoot(directory);
    const auto add = [this](const QIcon& icon, const std::string& name, const std::string& path,
                            std::size_t depth) {
        auto* item = new QListWidgetItem(icon, QString::fromStdString(name), this);
        item->setData(kPathRole, QByteArray::fromStdString(path));
        item->setData(kDepthRole, static_cast<int>(depth));
    };
    // The volume's root goes by its whole mount point, as a drive goes by its letter.
    add(openIcon, chain.front(), chain.front(), 0);
    for (std::size_t depth = 1; depth < chain.size(); ++depth) {
        add(openIcon, lastComponent(chain[depth]), chain[depth], depth);
    }
    setCurrentRow(static_cast<int>(chain.size()) - 1);
    for (const std::string& name : subdirectories) {
        add(closedIcon, name, withSeparator(directory) + name, chain.size());
    }
    setUpdatesEnabled(true);
}

void DirectoryList::open(QListWidgetItem* item) {
    if (item == nullptr) return;
    const std::string directory = item->data(kPathRole).toByteArray().toStdString();
    if (!runUserAction(onReadError, [&] { setPath(directory); })) highlightCurrent();
}

// After a failed open the highlight goes back to the directory that is still shown.
void DirectoryList::highlightCurrent() {
    for (int row = 0; row < count(); ++row) {
        if (item(row)->data(kPathRole).toByteArray().toStdString() == path_) {
            setCurrentRow(row);
            return;
        }
    }
}

QString DirectoryList::toolTipFor(const QListWidgetItem& item) const {
    return QString::fromStdString(item.data(kPathRole).toByteArray().toStdString());
}

void DirectoryList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        open(currentItem());
        return;
    }
    ListBox::keyPressEvent(event);
}

}  // namespace corvan::ui
