#include "qt/platform/termination.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace framory::qt {

namespace {

// A signal handler takes no argument to find its object by, so the pipe's
// write end is the one value the process keeps for it.
std::atomic<int> g_signal_pipe{-1};

void on_termination_signal(int)
{
    const int fd = g_signal_pipe.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
    }
}

} // namespace

TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent)
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    g_signal_pipe.store(m_pipe[1]);
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationWatcher::on_signal);
    struct sigaction action {};
    action.sa_handler = on_termination_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal_number, &action, nullptr);
    }
}

TerminationWatcher::~TerminationWatcher()
{
    g_signal_pipe.store(-1);
    for (int& fd : m_pipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

void TerminationWatcher::on_signal()
{
    char buffer[16];
    while (::read(m_pipe[0], buffer, sizeof buffer) > 0) {
    }
    if (m_asked) {
        return;
    }
    m_asked = true;
    // Modal dialogs first, then the windows under them.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (!modal->close()) {
            break;
        }
    }
    QApplication::closeAllWindows();
    // A window placed inside another program's window is no top-level
    // window to Qt, which leaves it out of closing all windows.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible()) {
            window->close();
        }
    }
    QCoreApplication::exit(0);
}

} // namespace framory::qt
