#include "media/worker/worker_client.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace framory::media {

using worker::UniqueFd;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer maps terabytes of shadow memory up front: an
// address-space limit would stop the helper before it starts. Its resident
// memory is watched instead, and its reports are passed on whole.
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// How often the helper's resident memory is looked at while it decodes.
constexpr auto kWatchInterval = 20ms;
// What a helper may print for one picture before the rest is dropped.
constexpr std::size_t kMaxOutput = 64 * 1024;
// One report line at most this long (outside sanitizer builds).
constexpr std::size_t kMaxReport = 300;
// How long an ended helper's last words and exit status are waited for,
// and how long a new helper may take to be ready.
constexpr auto kEndWait = kSanitized ? 10s : 1s;
constexpr auto kStartLimit = kSanitized ? 60s : 10s;

const char* const kWorkerName = "framory-decode";

// Text that may come from a file or a library, made safe for one line of a
// terminal: control characters become blanks, runs of blanks one blank.
std::string one_line(std::string_view text, std::size_t limit)
{
    std::string line;
    for (const char c : text) {
        const bool blank = static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == ' ';
        if (blank) {
            if (!line.empty() && line.back() != ' ') {
                line.push_back(' ');
            }
        } else {
            line.push_back(c);
        }
        if (line.size() >= limit) {
            line.resize(limit);
            line += "...";
            break;
        }
    }
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line;
}

std::string seconds_text(std::chrono::milliseconds ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms.count()) / 1000.0);
    return text;
}

bool set_limit(pid_t pid, decltype(RLIMIT_CORE) resource, rlim_t value)
{
    const rlimit limit{value, value};
    return ::prlimit(pid, resource, &limit, nullptr) == 0;
}

// A descriptor copied above the standard ones, so that the child's dup2
// onto 0 to 3 always makes a fresh copy without the close-on-exec flag.
UniqueFd high_copy(int fd)
{
    return UniqueFd(::fcntl(fd, F_DUPFD_CLOEXEC, 10));
}

} // namespace

std::string FindDecodeWorker()
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path helper = self.parent_path() / kWorkerName;
    return !ec && ::access(helper.c_str(), X_OK) == 0 ? helper.string() : std::string();
}

WorkerDecodeService::WorkerDecodeService(WorkerOptions options) : m_options(std::move(options)) {}

WorkerDecodeService::~WorkerDecodeService()
{
    stop();
    // Killed helpers end at once; one that does not (stuck in the kernel on
    // a dead network file system) is left to the system.
    const auto end = Clock::now() + 200ms;
    while (!m_ended.empty() && Clock::now() < end) {
        reap_ended();
        if (!m_ended.empty()) {
            std::this_thread::sleep_for(2ms);
        }
    }
}

pid_t WorkerDecodeService::worker_pid() const
{
    std::lock_guard lock(m_state);
    return m_pid;
}

int WorkerDecodeService::starts() const
{
    std::lock_guard lock(m_state);
    return m_starts;
}

bool WorkerDecodeService::spawn(std::string& problem)
{
    if (m_options.program.empty()) {
        m_options.program = FindDecodeWorker();
    }
    if (m_options.program.empty()) {
        problem = std::string("the picture decoder ") + kWorkerName + " is not installed beside the program";
        return false;
    }
    int pair[2] = {-1, -1};
    int output[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
        problem = "no socket for the picture decoder";
        return false;
    }
    UniqueFd socket(pair[0]);
    const UniqueFd child_socket = high_copy(pair[1]);
    ::close(pair[1]);
    if (::pipe2(output, O_CLOEXEC) != 0) {
        problem = "no pipe for the picture decoder";
        return false;
    }
    UniqueFd output_read(output[0]);
    const UniqueFd child_output = high_copy(output[1]);
    ::close(output[1]);
    if (!child_socket.valid() || !child_output.valid()) {
        problem = "no descriptors for the picture decoder";
        return false;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, child_output.get(), 1);
    posix_spawn_file_actions_adddup2(&actions, child_output.get(), 2);
    posix_spawn_file_actions_adddup2(&actions, child_socket.get(), worker::kSocketFd);
    posix_spawn_file_actions_addclosefrom_np(&actions, worker::kSocketFd + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    // A group of its own: a Ctrl+C meant for the program does not reach it.
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    char* argv[] = {const_cast<char*>(m_options.program.c_str()), nullptr};
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, m_options.program.c_str(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) {
        problem = "cannot start the picture decoder " + m_options.program + ": " + std::strerror(failed);
        return false;
    }
    // The limits are in place before the helper is sent its first file.
    const bool limited = set_limit(pid, RLIMIT_CORE, 0) && set_limit(pid, RLIMIT_CPU, m_options.cpu_lifetime_seconds) &&
                         (kSanitized || set_limit(pid, RLIMIT_AS, m_options.memory_limit));
    std::lock_guard lock(m_state);
    m_pid = pid;
    ++m_starts;
    m_socket = std::move(socket);
    m_output = std::move(output_read);
    ::fcntl(m_output.get(), F_SETFL, O_NONBLOCK);
    if (!limited) {
        problem = "cannot limit the picture decoder";
        return false;
    }
    return true;
}

void WorkerDecodeService::stop()
{
    std::lock_guard lock(m_state);
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        m_ended.push_back(m_pid);
        m_pid = 0;
    }
    m_socket.reset();
    m_output.reset();
    m_output_text.clear();
}

void WorkerDecodeService::reap_ended()
{
    std::erase_if(m_ended, [](pid_t pid) {
        const pid_t r = ::waitpid(pid, nullptr, WNOHANG);
        return r == pid || (r < 0 && errno == ECHILD);
    });
}

DecodeReply WorkerDecodeService::Decode(const DecodeRequest& request, const std::atomic<bool>& cancel)
{
    std::lock_guard guard(m_decode);
    reap_ended();
    if (cancel) {
        return Interrupted(Interruption::Cancelled, "the decode was cancelled");
    }
    worker::WireRequest wire{++m_serial, m_options.cpu_seconds, request};
    const worker::Packet packet = worker::WriteRequest(wire);
    if (!request.display_icc.empty() && !packet.fd.valid()) {
        return Interrupted(Interruption::Unavailable, "no memory file for the display profile");
    }
    // A helper that ended while idle (retired, or killed from outside) is
    // replaced once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (m_pid == 0) {
            if (std::optional<DecodeReply> failed = start(request.path, cancel)) {
                return std::move(*failed);
            }
        }
        if (worker::SendPacket(m_socket.get(), packet.bytes, packet.fd.get())) {
            return wait_for_reply(request, wire.serial, cancel);
        }
        stop();
    }
    return Interrupted(Interruption::Unavailable, "the picture decoder does not take requests");
}

WorkerDecodeService::Wait WorkerDecodeService::wait_readable(Clock::time_point deadline,
                                                             const std::atomic<bool>& cancel)
{
    for (;;) {
        const auto now = Clock::now();
        if (cancel) {
            return Wait::Cancelled;
        }
        if (now >= deadline) {
            return Wait::OutOfTime;
        }
        if (resident_bytes() > m_options.memory_limit) {
            return Wait::OutOfMemory;
        }
        pollfd fds[2] = {{m_socket.get(), POLLIN, 0}, {m_output.get(), POLLIN, 0}};
        const auto wait = std::min<Clock::duration>(deadline - now, kWatchInterval);
        const int ready = ::poll(fds, 2, static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
        if (ready < 0 && errno != EINTR) {
            return Wait::Failed;
        }
        if (ready > 0 && fds[1].revents != 0) {
            drain_output(false, now);
        }
        if (ready > 0 && fds[0].revents != 0) {
            return Wait::Readable;
        }
    }
}

std::optional<DecodeReply> WorkerDecodeService::start(const std::string& path, const std::atomic<bool>& cancel)
{
    std::string problem;
    if (!spawn(problem)) {
        stop();
        report("framory: " + one_line(problem, kMaxReport));
        return Interrupted(Interruption::Unavailable, problem);
    }
    // Ready when it says so; its start-up is not counted in a picture's time.
    const Wait waited = wait_readable(Clock::now() + kStartLimit, cancel);
    if (waited == Wait::Cancelled) {
        stop();
        return Interrupted(Interruption::Cancelled, "the decode was cancelled");
    }
    if (waited == Wait::Readable) {
        const std::optional<worker::Packet> hello = worker::ReceivePacket(m_socket.get());
        if (hello && worker::IsHello(*hello)) {
            return std::nullopt;
        }
        DecodeReply reply = after_end(path, false);
        reply.interruption = Interruption::Unavailable;
        return reply;
    }
    stop();
    problem = "the picture decoder did not start within " + seconds_text(kStartLimit);
    report("framory: " + problem);
    return Interrupted(Interruption::Unavailable, problem);
}

DecodeReply WorkerDecodeService::wait_for_reply(const DecodeRequest& request, std::uint64_t serial,
                                                const std::atomic<bool>& cancel)
{
    switch (wait_readable(Clock::now() + m_options.time_limit, cancel)) {
    case Wait::Readable:
        break;
    case Wait::Cancelled:
        stop();
        return Interrupted(Interruption::Cancelled, "the decode was cancelled");
    case Wait::OutOfTime:
        stop();
        report("framory: " + one_line(request.path, kMaxReport) + ": the decoder took longer than " +
               seconds_text(m_options.time_limit) + " and was stopped");
        return Interrupted(Interruption::OutOfTime,
                           "the decoder took longer than " + seconds_text(m_options.time_limit));
    case Wait::OutOfMemory:
        ::kill(m_pid, SIGKILL);
        return after_end(request.path, true);
    case Wait::Failed:
        stop();
        return Interrupted(Interruption::Crashed, "cannot wait for the picture decoder");
    }
    const std::optional<worker::Packet> packet = worker::ReceivePacket(m_socket.get());
    if (!packet) {
        return after_end(request.path, false);
    }
    std::optional<worker::WireReply> reply = worker::ReadReply(*packet, serial, request.bounds);
    drain_output(false, Clock::now());
    report_output(request.path);
    if (!reply) {
        stop();
        report("framory: " + one_line(request.path, kMaxReport) + ": the decoder's answer made no sense");
        return Interrupted(Interruption::Crashed, "the decoder's answer made no sense");
    }
    if (reply->out_of_memory) {
        // The helper ends after saying so; the next picture gets a new one.
        stop();
        report("framory: " + one_line(request.path, kMaxReport) + ": " + reply->result.message);
        return {std::move(reply->result), Interruption::OutOfMemory};
    }
    if (reply->cpu_used_ms / 1000 + m_options.cpu_seconds >= m_options.cpu_lifetime_seconds) {
        stop(); // near its CPU time for life: retired between pictures
    }
    return {std::move(reply->result), Interruption::None};
}

DecodeReply WorkerDecodeService::after_end(const std::string& path, bool killed_for_memory)
{
    pid_t pid = 0;
    {
        std::lock_guard lock(m_state);
        pid = m_pid;
        m_pid = 0;
        m_socket.reset();
    }
    // The helper's last words (a sanitizer's report comes before the end)
    // and its exit status, each waited for a short while.
    const auto end = Clock::now() + kEndWait;
    drain_output(true, end);
    int status = 0;
    pid_t reaped = 0;
    while ((reaped = ::waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() < end) {
        std::this_thread::sleep_for(2ms);
    }
    if (reaped != pid) {
        ::kill(pid, SIGKILL);
        m_ended.push_back(pid);
    }
    report_output(path);
    {
        std::lock_guard lock(m_state);
        m_output.reset();
    }
    DecodeReply reply;
    if (killed_for_memory) {
        reply = Interrupted(Interruption::OutOfMemory, "the decoder went over its memory limit of " +
                                                           std::to_string(m_options.memory_limit >> 20) + " MB");
    } else if (reaped == pid && WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) {
        reply = Interrupted(Interruption::OutOfTime,
                            "the decoder went over its CPU time of " + std::to_string(m_options.cpu_seconds) + " s");
    } else if (reaped == pid && WIFSIGNALED(status)) {
        reply = Interrupted(Interruption::Crashed, std::string("the decoder ended on signal ") +
                                                       std::to_string(WTERMSIG(status)) + " (" +
                                                       ::strsignal(WTERMSIG(status)) + ")");
    } else if (reaped == pid && WIFEXITED(status)) {
        reply = Interrupted(Interruption::Crashed,
                            "the decoder ended with exit code " + std::to_string(WEXITSTATUS(status)));
    } else {
        reply = Interrupted(Interruption::Crashed, "the decoder stopped answering");
    }
    report("framory: " + one_line(path, kMaxReport) + ": " + reply.result.message);
    return reply;
}

void WorkerDecodeService::drain_output(bool until_closed, Clock::time_point deadline)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_output.get(), buffer, sizeof buffer);
        if (n > 0) {
            const std::size_t room = kMaxOutput - std::min(kMaxOutput, m_output_text.size());
            m_output_text.append(buffer, std::min(room, static_cast<std::size_t>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN && until_closed && Clock::now() < deadline) {
            pollfd fd{m_output.get(), POLLIN, 0};
            ::poll(&fd, 1, 20);
            continue;
        }
        return; // closed, drained, or out of time
    }
}

void WorkerDecodeService::report_output(const std::string& path)
{
    if (m_output_text.empty()) {
        return;
    }
    const std::string where = "framory: " + one_line(path, kMaxReport) + ": ";
    if (kSanitized) {
        // A sanitizer's report is only useful whole.
        std::size_t start = 0;
        while (start < m_output_text.size()) {
            const std::size_t end = std::min(m_output_text.find('\n', start), m_output_text.size());
            report(where + one_line(std::string_view(m_output_text).substr(start, end - start), kMaxOutput));
            start = end + 1;
        }
    } else {
        report(where + one_line(m_output_text, kMaxReport));
    }
    m_output_text.clear();
}

void WorkerDecodeService::report(const std::string& line) const
{
    if (m_options.report) {
        m_options.report(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

std::uint64_t WorkerDecodeService::resident_bytes() const
{
    std::ifstream statm("/proc/" + std::to_string(m_pid) + "/statm");
    std::uint64_t size = 0;
    std::uint64_t resident = 0;
    if (!(statm >> size >> resident)) {
        return 0;
    }
    static const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    return resident * page;
}

} // namespace framory::media
