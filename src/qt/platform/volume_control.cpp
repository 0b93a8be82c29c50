#include "qt/platform/volume_control.h"

#include "core/config_ui/options.h"

#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

namespace framory::qt {

namespace {

constexpr int kStarted = 42;
constexpr int kFileNotFound = 2;

struct DesktopControl {
    const char* desktop; // as XDG_CURRENT_DESKTOP names it, upper case
    LaunchCommand command;
};

// Each desktop's own sound settings, in the order they are tried when the
// desktop in use has none of its own installed.
const std::vector<DesktopControl>& DesktopControls()
{
    static const std::vector<DesktopControl> controls{
        {"GNOME", {QStringLiteral("gnome-control-center"), {QStringLiteral("sound")}}},
        {"UNITY", {QStringLiteral("gnome-control-center"), {QStringLiteral("sound")}}},
        {"BUDGIE", {QStringLiteral("gnome-control-center"), {QStringLiteral("sound")}}},
        {"KDE", {QStringLiteral("systemsettings"), {QStringLiteral("kcm_pulseaudio")}}},
        {"KDE", {QStringLiteral("systemsettings5"), {QStringLiteral("kcm_pulseaudio")}}},
        {"X-CINNAMON", {QStringLiteral("cinnamon-settings"), {QStringLiteral("sound")}}},
        {"MATE", {QStringLiteral("mate-volume-control"), {}}},
        {"XFCE", {QStringLiteral("xfce4-mixer"), {}}},
        {"LXQT", {QStringLiteral("pavucontrol-qt"), {}}},
    };
    return controls;
}

void AddOnce(std::vector<LaunchCommand>& commands, const LaunchCommand& command)
{
    if (std::find(commands.begin(), commands.end(), command) == commands.end()) {
        commands.push_back(command);
    }
}

} // namespace

std::vector<LaunchCommand> VolumeControlCommands(const QString& current_desktop)
{
    std::vector<LaunchCommand> commands{{QStringLiteral("pavucontrol"), {}}};
    const QStringList desktops = current_desktop.toUpper().split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& desktop : desktops) {
        for (const DesktopControl& control : DesktopControls()) {
            if (desktop == QLatin1String(control.desktop)) {
                AddOnce(commands, control.command);
            }
        }
    }
    for (const DesktopControl& control : DesktopControls()) {
        AddOnce(commands, control.command);
    }
    return commands;
}

bool StartDetached(const LaunchCommand& command)
{
    // Looking the program up first spares a process start for every
    // desktop's tool that is not installed.
    const QString path = QStandardPaths::findExecutable(command.program);
    return !path.isEmpty() && QProcess::startDetached(path, command.arguments);
}

bool OpenVolumeControl(const std::vector<LaunchCommand>& commands,
                       const std::function<bool(const LaunchCommand&)>& start)
{
    return std::any_of(commands.begin(), commands.end(), [&](const LaunchCommand& command) { return start(command); });
}

VolumeControlShell::VolumeControlShell(core::Shell& other, Starter start, QString current_desktop)
    : m_other(other), m_start(std::move(start)), m_current_desktop(std::move(current_desktop))
{
}

int VolumeControlShell::ShellExecute(const std::string& file)
{
    if (QString::fromStdString(file).compare(QLatin1String(core::kVolumeControlProgram.data(),
                                                           static_cast<qsizetype>(core::kVolumeControlProgram.size())),
                                             Qt::CaseInsensitive) != 0) {
        return m_other.ShellExecute(file);
    }
    return OpenVolumeControl(VolumeControlCommands(m_current_desktop), m_start) ? kStarted : kFileNotFound;
}

QString VolumeControlShell::CurrentDesktop()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP");
}

} // namespace framory::qt
