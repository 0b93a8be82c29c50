#pragma once

// A private X server for one test and the helper programs the test starts
// on it (a window manager among them). Each is stopped when its object goes,
// also when the test fails half way.

#include "../../support/wait_until.h"

#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace framory::testing {

// A helper program with the test's environment, its output sent to a file.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> argv, const std::string& output = "/dev/null", int keep_fd = -1)
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        if (keep_fd >= 0) {
            posix_spawn_file_actions_adddup2(&actions, keep_fd, keep_fd); // clears close-on-exec
        }
        std::vector<char*> args;
        for (auto& a : argv) {
            args.push_back(a.data());
        }
        args.push_back(nullptr);
        if (posix_spawnp(&m_pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProcess()
    {
        if (m_pid <= 0) {
            return;
        }
        ::kill(m_pid, SIGTERM);
        if (!WaitUntil([this] { return ::waitpid(m_pid, nullptr, WNOHANG) == m_pid; }, std::chrono::seconds(3))) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};

// Xvfb on a display number it picks itself (-displayfd), so tests that run
// at the same time never race for one. DISPLAY names it while it runs.
class XServer {
public:
    explicit XServer(const std::string& size = "1280x800")
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        m_server = std::make_unique<ChildProcess>(std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]),
                                                                           "-screen", "0", size + "x24", "-noreset",
                                                                           "-nolisten", "tcp"},
                                                  "/dev/null", fds[1]);
        ::close(fds[1]);
        std::string number;
        pollfd ready{fds[0], POLLIN, 0};
        char c = 0;
        while (::poll(&ready, 1, 10000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') {
            number.push_back(c);
        }
        ::close(fds[0]);
        if (!number.empty()) {
            m_name = ":" + number;
            ::setenv("DISPLAY", m_name.c_str(), 1);
        }
    }
    ~XServer() { ::unsetenv("DISPLAY"); }

    bool started() const { return !m_name.empty(); }

private:
    std::unique_ptr<ChildProcess> m_server;
    std::string m_name;
};

// An X connection of the test's own.
class XDisplay {
public:
    XDisplay() : m_display(XOpenDisplay(nullptr)) {}
    ~XDisplay()
    {
        if (m_display != nullptr) {
            XCloseDisplay(m_display);
        }
    }
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;
    Display* get() const { return m_display; }
    Window root() const { return DefaultRootWindow(m_display); }
    Atom atom(const char* name) const { return XInternAtom(m_display, name, False); }

private:
    Display* m_display;
};

// A window's owner asking it to close, as a window manager's close box does.
inline void SendCloseRequest(Display* display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

// Openbox with its stock configuration (four workspaces, Alt+F4 closes,
// Alt+Tab switches), ready once it has claimed the screen.
class WindowManager {
public:
    WindowManager() : m_process({"openbox", "--sm-disable"})
    {
        m_ready = WaitUntil([] {
            return std::system("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id #'") == 0;
        });
    }
    bool ready() const { return m_ready; }

private:
    ChildProcess m_process;
    bool m_ready = false;
};

} // namespace framory::testing
