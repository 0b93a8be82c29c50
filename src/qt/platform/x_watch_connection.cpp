#include "qt/platform/x_watch_connection.h"

#include <QSocketNotifier>

#include <X11/Xlib.h>

namespace framory::qt {

XWatchConnection::XWatchConnection(std::function<void(XEvent&)> on_event, QObject* parent)
    : QObject(parent), m_on_event(std::move(on_event))
{
    if (display() == nullptr) {
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(display()), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &XWatchConnection::read_events);
}

// The notifier goes before the connection it watches closes.
XWatchConnection::~XWatchConnection() = default;

unsigned long XWatchConnection::root() const
{
    return display() != nullptr ? DefaultRootWindow(display()) : 0;
}

void XWatchConnection::quietly(const std::function<void()>& calls)
{
    if (display() == nullptr) {
        return;
    }
    m_connection.quietly(calls);
    // Events read along with the replies wait in the queue, where the
    // socket's notifier cannot see them.
    if (QLength(display()) > 0) {
        QMetaObject::invokeMethod(this, &XWatchConnection::read_events, Qt::QueuedConnection);
    }
}

void XWatchConnection::read_events()
{
    // Replies read meanwhile may have queued events without the socket
    // becoming readable again, so the queue is drained whole.
    while (display() != nullptr && XPending(display()) > 0) {
        XEvent event;
        XNextEvent(display(), &event);
        m_on_event(event);
    }
}

} // namespace framory::qt
