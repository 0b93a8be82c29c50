#pragma once

#include <QAbstractNativeEventFilter>
#include <QWindow>

#include <cstdint>
#include <functional>
#include <set>

namespace framory::qt {

// Reports chosen messages of one window. On X11 the pane's way of asking a
// window of its own to close is the WM_DELETE_WINDOW client message; a pane
// may also destroy the window outright. Both are reported as the close
// message, the first before Qt would act on it.
class Msghook : public QAbstractNativeEventFilter {
public:
    Msghook();
    ~Msghook() override;
    Msghook(const Msghook&) = delete;
    Msghook& operator=(const Msghook&) = delete;

    // The atoms that make a close request: WM_PROTOCOLS with WM_DELETE_WINDOW.
    void set_close_request_atoms(std::uint32_t wm_protocols, std::uint32_t wm_delete_window)
    {
        m_wm_protocols = wm_protocols;
        m_wm_delete_window = wm_delete_window;
    }
    void set_window(WId window) { m_window = window; }
    void want_message(std::int32_t message) { m_wanted.insert(message); }
    void on_message(std::function<void(std::int32_t)> handler) { m_handler = std::move(handler); }
    // Whether the watched window was destroyed.
    bool window_destroyed() const { return m_destroyed; }

    bool nativeEventFilter(const QByteArray& event_type, void* message, qintptr* result) override;

private:
    void report(std::int32_t message);

    std::uint32_t m_wm_protocols = 0;
    std::uint32_t m_wm_delete_window = 0;
    WId m_window = 0;
    std::set<std::int32_t> m_wanted;
    std::function<void(std::int32_t)> m_handler;
    bool m_destroyed = false;
};

} // namespace framory::qt
