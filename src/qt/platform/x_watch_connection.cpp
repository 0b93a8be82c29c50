#include "qt/platform/x_watch_connection.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#include <X11/Xlib.h>

namespace framory::qt {

namespace {

int ignore_x_errors(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

Display* QtXDisplay()
{
    auto* x11 = qApp != nullptr ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 != nullptr ? x11->display() : nullptr;
}

XWatchConnection::XWatchConnection(std::function<void(XEvent&)> on_event, QObject* parent)
    : QObject(parent), m_display(XOpenDisplay(nullptr)), m_on_event(std::move(on_event))
{
    if (m_display == nullptr) {
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(m_display), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &XWatchConnection::read_events);
}

XWatchConnection::~XWatchConnection()
{
    m_notifier.reset();
    if (m_display != nullptr) {
        XCloseDisplay(m_display);
    }
}

unsigned long XWatchConnection::root() const
{
    return m_display != nullptr ? DefaultRootWindow(m_display) : 0;
}

void XWatchConnection::quietly(const std::function<void()>& calls)
{
    if (m_display == nullptr) {
        return;
    }
    const auto previous = XSetErrorHandler(ignore_x_errors);
    calls();
    XSync(m_display, False);
    XSetErrorHandler(previous);
    // Events read along with the replies wait in the queue, where the
    // socket's notifier cannot see them.
    if (QLength(m_display) > 0) {
        QMetaObject::invokeMethod(this, &XWatchConnection::read_events, Qt::QueuedConnection);
    }
}

void XWatchConnection::read_events()
{
    // Replies read meanwhile may have queued events without the socket
    // becoming readable again, so the queue is drained whole.
    while (m_display != nullptr && XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        m_on_event(event);
    }
}

} // namespace framory::qt
