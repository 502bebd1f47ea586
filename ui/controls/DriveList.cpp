#include "DriveList.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>

namespace corvan::ui {

DriveList::DriveList(VolumeTable& volumes, QWidget* parent)
    : QComboBox(parent),
      volumes_(volumes),
      selected_(volumes.volumeOf(volumes.workingDirectory())) {
    for (const Volume& volume : volumes_.volumes())
        addItem(QString::fromStdString(volume.driveText));
    setCurrentIndex(static_cast<int>(selected_));
    connect(this, &QComboBox::activated, this, &DriveList::userSelected);
}

std::string DriveList::drive() const {
    return volumes_.volumes().at(selected_).driveText;
}

void DriveList::setDrive(const std::string& driveTextOrPath) {
    std::size_t index = volumes_.findDriveText(driveTextOrPath);
    if (index == volumes_.volumes().size()) index = volumes_.volumeOf(driveTextOrPath);
    select(index);
}

void DriveList::follow(const std::string& directory) {
    const std::size_t index = volumes_.volumeOf(directory);
    if (index == selected_) return;
    selected_ = index;
    const QSignalBlocker quiet(this);
    setCurrentIndex(static_cast<int>(index));
}

void DriveList::select(std::size_t index) {
    if (index == selected_) return;
    selected_ = index;
    {
        const QSignalBlocker quiet(this);
        setCurrentIndex(static_cast<int>(index));
    }
    if (onChange) onChange();
}

void DriveList::userSelected(int index) {
    const std::size_t previous = selected_;
    if (runUserAction(onReadError, [&] { select(static_cast<std::size_t>(index)); })) return;
    // The lists still show the previous volume; so does the drive list again, without a
    // second Change that would move them.
    selected_ = previous;
    const QSignalBlocker quiet(this);
    setCurrentIndex(static_cast<int>(previous));
}

}  // namespace corvan::ui

namespace corvan::ui {

// The style shows a combo box's focus only once Tab has been pressed; this one shows it
// whenever it has the focus, as the lists beside it do.
void DriveList::paintEvent(QPaintEvent* event) {
    QComboBox::paintEvent(event);
    if (!hasFocus()) return;
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
    painter.drawRect(field.adjusted(0, 0, -1, -1));
}

}  // namespace corvan::ui
