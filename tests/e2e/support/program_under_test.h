#pragma once

// The real program started by an end-to-end test, with settings and data
// folders of its own, and the waits the tests need around it.

#include "qt/platform/desktop_services.h"

#include <QImage>
#include <QPainter>

// Xlib after Qt, whose names its macros would clash with.
#include "support/x_session.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace framory::testing {

class ProgramUnderTest {
public:
    // Starts `binary` with `args` on the X server of the test, its settings,
    // data and HOME (where the desktop's lock switch is read) under `home`,
    // the dummy sound driver, and `extra_env`, which overrides any of these;
    // its standard error goes to `error_file` when one is named.
    ProgramUnderTest(const std::string& binary, const std::vector<std::string>& args, const std::filesystem::path& home,
                     const std::vector<std::string>& extra_env = {}, const std::filesystem::path& error_file = {})
    {
        // A runtime folder per home: the lock a running show holds there
        // is seen by the programs of this test only, not by those of
        // another test running meanwhile.
        const std::filesystem::path runtime = home / "runtime";
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        std::vector<std::string> env_strings;
        for (char** e = environ; *e != nullptr; ++e) {
            env_strings.emplace_back(*e);
        }
        std::vector<std::string> overrides = {"XDG_RUNTIME_DIR=" + runtime.string(),
                                              "QT_QPA_PLATFORM=xcb",
                                              "XDG_CONFIG_HOME=" + (home / "config").string(),
                                              "XDG_DATA_HOME=" + (home / "data").string(),
                                              "HOME=" + home.string(),
                                              "SDL_AUDIODRIVER=dummy"};
        overrides.insert(overrides.end(), extra_env.begin(), extra_env.end());
        for (const std::string& entry : overrides) {
            const std::string key = entry.substr(0, entry.find('=') + 1);
            std::erase_if(env_strings, [&](const std::string& e) { return e.starts_with(key); });
            env_strings.push_back(entry);
        }
        std::vector<char*> env;
        for (auto& s : env_strings) {
            env.push_back(s.data());
        }
        env.push_back(nullptr);
        std::vector<std::string> arg_strings = {binary};
        arg_strings.insert(arg_strings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& s : arg_strings) {
            argv.push_back(s.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (!error_file.empty()) {
            posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, error_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                             0644);
        }
        posix_spawn(&m_pid, binary.c_str(), &actions, nullptr, argv.data(), env.data());
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ProgramUnderTest()
    {
        if (m_pid > 0 && !m_exited) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

    pid_t pid() const { return m_pid; }

    bool running() { return !poll_exit(); }

    // The exit status once the program has ended, or nothing when it had
    // not within `limit`, a limit that only keeps a broken test from hanging.
    std::optional<int> wait_for_exit(std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        return WaitUntil([this] { return poll_exit(); }, limit) ? std::optional<int>(m_status) : std::nullopt;
    }

private:
    bool poll_exit()
    {
        if (m_exited) {
            return true;
        }
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_exited = true;
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        return m_exited;
    }

    pid_t m_pid = -1;
    bool m_exited = false;
    int m_status = -1;
};

// A fresh home folder with its config/ folder.
inline std::filesystem::path MakeHome()
{
    char pattern[] = "/tmp/framory-e2e-XXXXXX";
    const std::filesystem::path home = ::mkdtemp(pattern);
    std::filesystem::create_directories(home / "config");
    return home;
}

// A fresh home folder for a show: config/ and pictures/, the latter with one
// picture of four coloured quarters (red, green over yellow, blue), saved
// as quarters.png.
inline std::filesystem::path MakeShowHome()
{
    const std::filesystem::path home = MakeHome();
    std::filesystem::create_directories(home / "pictures");
    QImage picture(400, 300, QImage::Format_RGB32);
    QPainter p(&picture);
    p.fillRect(0, 0, 200, 150, QColor(255, 0, 0));
    p.fillRect(200, 0, 200, 150, QColor(0, 255, 0));
    p.fillRect(0, 150, 200, 150, QColor(255, 255, 0));
    p.fillRect(200, 150, 200, 150, QColor(0, 0, 255));
    p.end();
    picture.save(QString::fromStdString((home / "pictures" / "quarters.png").string()));
    return home;
}

// Waits until a top-level window with the title exists (or no longer does).
inline bool WaitForWindow(const std::string& title, bool present = true,
                          std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    return WaitUntil([&] { return framory::qt::XWindowWithTitleExists(title) == present; }, limit);
}

} // namespace framory::testing
