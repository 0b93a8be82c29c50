#include "qt/platform/x_connection.h"

#include <QGuiApplication>

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

XConnection::XConnection() : m_display(XOpenDisplay(nullptr)) {}

XConnection::~XConnection()
{
    if (m_display != nullptr) {
        XCloseDisplay(m_display);
    }
}

void XConnection::quietly(const std::function<void()>& calls) const
{
    if (m_display == nullptr) {
        return;
    }
    const auto previous = XSetErrorHandler(ignore_x_errors);
    calls();
    XSync(m_display, False);
    XSetErrorHandler(previous);
}

} // namespace framory::qt
