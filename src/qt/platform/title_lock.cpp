#include "qt/platform/title_lock.h"

#include "qt/platform/paths.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace framory::qt {

std::filesystem::path TitleLock::PathFor(const std::string& title)
{
    // The title is turned into a safe file name: letters and digits stay,
    // everything else becomes its hexadecimal code.
    std::string name = "framory-window-";
    for (const char c : title) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')) {
            name.push_back(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02x", u);
            name += hex;
        }
    }
    return RuntimeFolderPath() / (name + ".lock");
}

TitleLock::TitleLock(const std::string& title)
{
    const auto path = PathFor(title);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

TitleLock::~TitleLock()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool TitleLock::IsHeld(const std::string& title)
{
    const int fd = ::open(PathFor(title).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

} // namespace framory::qt
