#pragma once

#include "qt/platform/x_connection.h"

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;
union _XEvent;

namespace framory::qt {

// A connection of the program's own (XConnection) whose events are read as
// they come: what it selects on the root window and the events it reads
// never disturb Qt's. Each event that arrives is handed to `on_event` on
// the user-interface thread.
class XWatchConnection : public QObject {
    Q_OBJECT

public:
    explicit XWatchConnection(std::function<void(_XEvent&)> on_event, QObject* parent = nullptr);
    ~XWatchConnection() override;
    XWatchConnection(const XWatchConnection&) = delete;
    XWatchConnection& operator=(const XWatchConnection&) = delete;

    // Null when no X server answers.
    _XDisplay* display() const { return m_connection.get(); }
    unsigned long root() const;

    // Runs `calls` with X errors ignored (a window can vanish at any moment
    // between two requests), and waits until the server has answered them.
    void quietly(const std::function<void()>& calls);

private:
    void read_events();

    XConnection m_connection;
    std::function<void(_XEvent&)> m_on_event;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace framory::qt
