#include "qt/platform/shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace framory::qt {

namespace {

constexpr int kOpened = 42;
constexpr int kFileNotFound = 2;

} // namespace

int DesktopShell::ShellExecute(const std::string& file)
{
    const QString target = QString::fromStdString(file);
    if (target.contains(QStringLiteral("://")) || target.startsWith(QStringLiteral("www."))) {
        const QUrl url = QUrl::fromUserInput(target);
        return url.isValid() && QDesktopServices::openUrl(url) ? kOpened : kFileNotFound;
    }
    const QFileInfo info(target);
    if (!info.exists() || info.isDir()) {
        return kFileNotFound;
    }
    if (info.isExecutable()) {
        return QProcess::startDetached(info.absoluteFilePath(), {}) ? kOpened : kFileNotFound;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? kOpened : kFileNotFound;
}

} // namespace framory::qt
