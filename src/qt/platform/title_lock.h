#pragma once

#include <filesystem>
#include <string>

namespace framory::qt {

// A per-user lock that stands for "a window with this title exists" where
// no display server can be asked: the window holds it while it exists, and
// other processes test it.
class TitleLock {
public:
    explicit TitleLock(const std::string& title);
    ~TitleLock();
    TitleLock(const TitleLock&) = delete;
    TitleLock& operator=(const TitleLock&) = delete;

    bool held() const { return m_fd >= 0; }

    // Whether some process holds the lock of this title.
    static bool IsHeld(const std::string& title);
    static std::filesystem::path PathFor(const std::string& title);

private:
    int m_fd = -1;
};

} // namespace framory::qt
