#pragma once

#include <functional>

struct _XDisplay;

namespace framory::qt {

// Qt's own connection to the X server; null on other platforms.
_XDisplay* QtXDisplay();

// A connection of the program's own to the X server named by $DISPLAY, kept
// apart from Qt's, so that a request about a window that has just gone fails
// here without disturbing Qt. Closed when it goes; null when no server
// answers.
class XConnection {
public:
    XConnection();
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    _XDisplay* get() const { return m_display; }

    // Runs `calls` with X errors ignored (a window can vanish at any moment
    // between two requests) and waits until the server has answered them.
    // Without a server nothing runs.
    void quietly(const std::function<void()>& calls) const;

private:
    _XDisplay* m_display;
};

} // namespace framory::qt
