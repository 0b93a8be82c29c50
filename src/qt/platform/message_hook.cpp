#include "qt/platform/message_hook.h"

#include "core/preview/preview.h"

#include <QCoreApplication>

#include <xcb/xproto.h>

namespace framory::qt {

Msghook::Msghook()
{
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
}

Msghook::~Msghook()
{
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

void Msghook::report(std::int32_t message)
{
    if (m_wanted.count(message) != 0 && m_handler) {
        m_handler(message);
    }
}

bool Msghook::nativeEventFilter(const QByteArray& event_type, void* message, qintptr*)
{
    if (m_window == 0 || event_type != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_CLIENT_MESSAGE: {
        const auto* client = static_cast<const xcb_client_message_event_t*>(message);
        if (client->window == m_window && client->format == 32 && m_wm_protocols != 0 &&
            client->type == m_wm_protocols && client->data.data32[0] == m_wm_delete_window) {
            report(core::kCloseMessage);
            // The request is the preview's to answer; Qt must not close the
            // box on its own.
            return true;
        }
        return false;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
        if (destroyed->window == m_window) {
            // Destroyed with its pane, or by the pane on its own: either
            // way the box has left the pane for good.
            m_destroyed = true;
            report(core::kCloseMessage);
        }
        return false;
    }
    default:
        return false;
    }
}

} // namespace framory::qt
