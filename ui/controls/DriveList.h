#pragma once

#include "ui/controls/UserAction.h"
#include "ui/controls/Volumes.h"

#include <QComboBox>

#include <functional>
#include <string>

namespace corvan::ui {

// A drop-down list of the machine's volumes showing the selected one. Change is raised
// whenever the selection really changes, by the user or by code, before the call that
// changed it returns.
class DriveList : public QComboBox {
    Q_OBJECT

public:
    explicit DriveList(VolumeTable& volumes, QWidget* parent = nullptr);

    // The drive text of the selected volume.
    std::string drive() const;
    // Selects the volume with this drive text, or the volume that holds this path.
    void setDrive(const std::string& driveTextOrPath);
    // Names the volume that holds `directory` without raising Change: the lists already
    // show that directory, having reached it from another volume.
    void follow(const std::string& directory);

    // A plain callback, not a signal: it may throw, and no exception may cross a Qt slot.
    std::function<void()> onChange;
    ReadErrorHandler onReadError;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void userSelected(int index);
    void select(std::size_t index);

    VolumeTable& volumes_;
    std::size_t selected_;
};

}  // namespace corvan::ui
