#include "QtTrash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace corvan::ui {

std::error_code QtTrash::moveToTrash(const std::string& path, std::string& inTrash) {
    QString where;
    if (!QFile::moveToTrash(QString::fromStdString(path), &where))
        return std::make_error_code(std::errc::operation_not_supported);
    inTrash = where.toStdString();
    return {};
}

std::error_code QtTrash::putBack(const std::string& inTrash, const std::string& path) {
    const QString from = QString::fromStdString(inTrash);
    if (!QFile::rename(from, QString::fromStdString(path)))
        return std::make_error_code(std::errc::io_error);
    // The trash keeps what it holds in files/ and a note of where it came from in info/.
    const QFileInfo moved(from);
    QFile::remove(moved.dir().filePath(QStringLiteral("../info/") + moved.fileName() +
                                       QStringLiteral(".trashinfo")));
    return {};
}

}  // namespace corvan::ui
