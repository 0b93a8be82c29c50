#include "qt/platform/settings_file_store.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace framory::qt {

namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

bool read_whole(int fd, std::string& out)
{
    out.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) {
            return true;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

bool write_whole(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

SettingsFileStore::SettingsFileStore(std::filesystem::path file) : m_file(std::move(file)) {}

void SettingsFileStore::refresh()
{
    struct stat info {};
    if (::stat(m_file.c_str(), &info) != 0) {
        m_document = core::IniDocument{};
        m_seen.reset();
        return;
    }
    const auto identity = std::make_tuple(info.st_dev, info.st_ino, info.st_size,
                                          static_cast<long long>(info.st_mtim.tv_sec),
                                          static_cast<long long>(info.st_mtim.tv_nsec));
    if (m_seen == identity) {
        return;
    }
    Fd fd(::open(m_file.c_str(), O_RDONLY | O_CLOEXEC));
    std::string text;
    if (!fd.valid() || !read_whole(fd.get(), text)) {
        // An unreadable file reads as empty: every key gives its default.
        m_document = core::IniDocument{};
        m_seen.reset();
        return;
    }
    m_document = core::IniDocument::Parse(text);
    m_seen = identity;
}

std::string SettingsFileStore::read(const std::string& section, const std::string& key, const std::string& fallback)
{
    refresh();
    return m_document.get(section, key).value_or(fallback);
}

void SettingsFileStore::write(const std::string& section, const std::string& key, const std::string& value)
{
    m_pending.push_back({section, key, value});
    if (m_group_depth == 0) {
        end_group();
    }
}

void SettingsFileStore::begin_group()
{
    ++m_group_depth;
}

void SettingsFileStore::end_group()
{
    if (m_group_depth > 0) {
        --m_group_depth;
    }
    if (m_group_depth == 0 && !m_pending.empty()) {
        std::vector<PendingWrite> writes;
        writes.swap(m_pending);
        m_last_commit_ok = commit(writes);
    }
}

bool SettingsFileStore::commit(const std::vector<PendingWrite>& writes)
{
    std::error_code ec;
    const std::filesystem::path folder = m_file.parent_path();
    std::filesystem::create_directories(folder, ec);

    // The lock lives in a file of its own, so that it stays with the name
    // while the settings file itself is replaced.
    const std::filesystem::path lock_path = m_file.string() + ".lock";
    Fd lock(::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.valid()) {
        while (::flock(lock.get(), LOCK_EX) != 0 && errno == EINTR) {
        }
    }

    // Read what is there now: another process may have saved since.
    std::string current;
    {
        Fd in(::open(m_file.c_str(), O_RDONLY | O_CLOEXEC));
        if (in.valid() && !read_whole(in.get(), current)) {
            return false; // a file that cannot be read is never replaced
        }
    }
    core::IniDocument document = core::IniDocument::Parse(current);
    for (const PendingWrite& w : writes) {
        document.set(w.section, w.key, w.value);
    }
    const std::string text = document.render();

    std::string temp = m_file.string() + ".XXXXXX";
    Fd out(::mkstemp(temp.data()));
    if (!out.valid()) {
        return false;
    }
    // A write past a file-size limit must fail with an error, not end the
    // program.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    const bool written = write_whole(out.get(), text) && ::fsync(out.get()) == 0;
    ::sigaction(SIGXFSZ, &previous, nullptr);
    struct stat old_info {};
    if (written && ::stat(m_file.c_str(), &old_info) == 0) {
        ::fchmod(out.get(), old_info.st_mode & 07777);
    } else if (written) {
        ::fchmod(out.get(), 0600);
    }
    if (!written || ::rename(temp.c_str(), m_file.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) {
        ::fsync(dir.get());
    }
    m_document = std::move(document);
    m_seen.reset(); // read the new file's identity at the next read
    return true;
}

} // namespace framory::qt
