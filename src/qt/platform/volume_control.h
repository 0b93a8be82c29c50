#pragma once

#include "core/components/platform.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

namespace framory::qt {

// One way of starting a volume control: a program and its arguments.
struct LaunchCommand {
    QString program;
    QStringList arguments;

    bool operator==(const LaunchCommand&) const = default;
};

// The desktop's volume controls, best first, for the desktops named in
// XDG_CURRENT_DESKTOP (a colon-separated list such as "ubuntu:GNOME").
// PulseAudio's mixer works under every desktop and comes first; then the
// sound settings of the desktop in use; then every other desktop's, since
// a user may have one installed while running another.
std::vector<LaunchCommand> VolumeControlCommands(const QString& current_desktop);

// Starts a program detached from this one; false when it is not installed
// or could not be started.
bool StartDetached(const LaunchCommand& command);

// Starts the first volume control of the list that starts. False when none
// does; the caller stays silent about that.
bool OpenVolumeControl(const std::vector<LaunchCommand>& commands,
                       const std::function<bool(const LaunchCommand&)>& start = StartDetached);

// The shell of the options dialog: the system's volume-control program
// ("SNDVOL32.EXE", in any case) is the desktop's volume control; every other
// file goes to the shell given.
class VolumeControlShell : public core::Shell {
public:
    using Starter = std::function<bool(const LaunchCommand&)>;

    explicit VolumeControlShell(core::Shell& other, Starter start = StartDetached,
                                QString current_desktop = CurrentDesktop());

    // Above 32 when a volume control started, 2 (file not found) when none did.
    int ShellExecute(const std::string& file) override;

    // XDG_CURRENT_DESKTOP, empty when unset.
    static QString CurrentDesktop();

private:
    core::Shell& m_other;
    Starter m_start;
    QString m_current_desktop;
};

} // namespace framory::qt
