#include "qt/platform/host_window.h"

#include <QGuiApplication>

#include <X11/Xlib.h>

namespace framory::qt {

namespace {

std::optional<XWindowAttributes> window_attributes(const XConnection* x, std::int32_t handle)
{
    const std::optional<unsigned long> id = XWindowOfHandle(handle);
    if (x == nullptr || !id) {
        return std::nullopt;
    }
    XWindowAttributes attributes{};
    Status status = 0;
    x->quietly([&] { status = XGetWindowAttributes(x->get(), *id, &attributes); });
    if (status == 0) {
        return std::nullopt;
    }
    return attributes;
}

} // namespace

std::optional<unsigned long> XWindowOfHandle(std::int32_t handle)
{
    if (handle <= 0) {
        return std::nullopt;
    }
    return static_cast<unsigned long>(static_cast<std::uint32_t>(handle));
}

XHostWindows::XHostWindows()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_x = std::make_unique<XConnection>();
    }
}

std::optional<core::HostRect> XHostWindows::client_rect(std::int32_t window)
{
    const auto attributes = window_attributes(m_x.get(), window);
    if (!attributes) {
        return std::nullopt;
    }
    // An X window's inside is all client area: its border lies outside it.
    return core::HostRect{0, 0, attributes->width, attributes->height};
}

bool XHostWindows::is_window(std::int32_t window)
{
    return window_attributes(m_x.get(), window).has_value();
}

std::uint32_t XHostWindows::atom(const char* name)
{
    if (m_x == nullptr || m_x->get() == nullptr) {
        return 0;
    }
    return static_cast<std::uint32_t>(XInternAtom(m_x->get(), name, False));
}

} // namespace framory::qt
