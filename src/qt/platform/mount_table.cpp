#include "qt/platform/mount_table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace framory::qt {

namespace {

// A mount point as the table writes it: blanks and backslashes (and any
// other byte) may come as three octal digits after a backslash.
std::string unescape_mount(const std::string& escaped)
{
    std::string mount;
    const auto octal = [&](std::size_t at) { return escaped[at] >= '0' && escaped[at] <= '7'; };
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == '\\' && i + 3 < escaped.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            mount.push_back(
                static_cast<char>((escaped[i + 1] - '0') * 64 + (escaped[i + 2] - '0') * 8 + (escaped[i + 3] - '0')));
            i += 3;
        } else {
            mount.push_back(escaped[i]);
        }
    }
    return mount;
}

} // namespace

QString PlainFolder(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) {
        folder.chop(1);
    }
    return folder;
}

QList<Volume> MachineVolumes(const std::string& mount_table, const QString& home)
{
    // Mount points are the second field of each line.
    QStringList mounts;
    std::istringstream lines(mount_table);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string device;
        std::string escaped;
        if (fields >> device >> escaped) {
            mounts.append(PlainFolder(QFile::decodeName(QByteArray::fromStdString(unescape_mount(escaped)))));
        }
    }

    QList<Volume> volumes{{QStringLiteral("/"), QStringLiteral("/")}};
    // The home folder's volume: the deepest mount point that holds it.
    QString home_mount = QStringLiteral("/");
    for (const QString& mount : mounts) {
        if ((home == mount || home.startsWith(mount + QLatin1Char('/'))) && mount.size() > home_mount.size()) {
            home_mount = mount;
        }
    }
    if (home_mount != QLatin1String("/")) {
        volumes.append({home_mount, home_mount + QStringLiteral("  [home]")});
    }
    QList<Volume> removable;
    for (const QString& mount : mounts) {
        const bool media = mount.startsWith(QLatin1String("/media/")) || mount.startsWith(QLatin1String("/run/media/"));
        const bool known = std::any_of(removable.begin(), removable.end(),
                                       [&](const Volume& v) { return v.mount == mount; });
        if (media && !known && mount != home_mount) {
            removable.append({mount, mount + QStringLiteral("  [") + QFileInfo(mount).fileName() + QLatin1Char(']')});
        }
    }
    std::sort(removable.begin(), removable.end(), [](const Volume& a, const Volume& b) { return a.mount < b.mount; });
    volumes.append(removable);
    return volumes;
}

QList<Volume> MachineVolumes()
{
    // Read from the kernel's table rather than by asking each volume about
    // itself, which would wait on a network volume that does not answer.
    std::ifstream table("/proc/self/mounts");
    std::stringstream text;
    text << table.rdbuf();
    return MachineVolumes(text.str(), PlainFolder(QDir::homePath()));
}

} // namespace framory::qt
