#pragma once

#include <QList>
#include <QString>

#include <string>

namespace framory::qt {

// A folder as the file system names it: no trailing separator except at
// the root.
QString PlainFolder(QString folder);

// One volume of the drive list: where it is mounted and what the list shows.
struct Volume {
    QString mount;
    QString text;
};

// The machine's "drives": the root, the home folder's volume when it is a
// volume of its own, and the removable media mounted under /media and
// /run/media. The first form reads the system's mount table; the second
// takes one in its format (device, mount point, ...; a line each).
QList<Volume> MachineVolumes();
QList<Volume> MachineVolumes(const std::string& mount_table, const QString& home);

} // namespace framory::qt
